#!/usr/bin/env bash
# Every benchmark once, briefly, so that none rots: a benchmark that fails fails the run;
# one skipped for what the machine lacks (FUSE, the real images) says so. The figures are
# not compared with anything here.
#   bench/run-all.sh build
set -uo pipefail
bench=$(cd "$1" && pwd)/bench
out=$(mktemp)
trap 'rm -f "$out"' EXIT
failed=0
for name in explorer renderer memory cli paint idle live; do
    run=("$bench/${name}_bench" --benchmark_min_time=0.01)
    case $name in paint | idle | live) run=(xvfb-run -a -s "-screen 0 2560x1600x24" "${run[@]}") ;; esac
    "${run[@]}" > "$out" 2>&1
    status=$?
    faults=$(grep "ERROR OCCURRED" "$out" | grep -v "'skipped: ")
    if [ $status = 0 ] && [ -z "$faults" ]; then
        echo "PASS ${name}_bench"
        grep -o "'skipped: [^']*'" "$out" | sort -u | sed 's/^/  /'
    else
        failed=1
        echo "FAIL ${name}_bench"
        grep -E "ERROR OCCURRED|Check .* failed" "$out" | head -5
    fi
done
exit $failed
