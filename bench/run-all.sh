#!/usr/bin/env bash
# Every benchmark once, briefly, so that none rots: a failed or skipped benchmark fails the
# run. The figures are not compared with anything here.
#   bench/run-all.sh build
set -uo pipefail
bench=$(cd "$1" && pwd)/bench
out=$(mktemp)
trap 'rm -f "$out"' EXIT
failed=0
for name in explorer renderer memory cli paint idle live; do
    run=("$bench/${name}_bench" --benchmark_min_time=0.01)
    case $name in paint | idle | live) run=(xvfb-run -a -s "-screen 0 2560x1600x24" "${run[@]}") ;; esac
    if "${run[@]}" > "$out" 2>&1 && ! grep -q "ERROR OCCURRED" "$out"; then
        echo "PASS ${name}_bench"
    else
        failed=1
        echo "FAIL ${name}_bench"
        grep -E "ERROR OCCURRED|Check .* failed" "$out" | head -5
    fi
done
exit $failed
