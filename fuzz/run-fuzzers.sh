#!/usr/bin/env bash
# Runs every fuzz target for SECONDS (default 60) from its seeds and kept corpus; stops
# at the first crash, leak or hang, leaving the input in build-fuzz/findings/.
#   fuzz/run-fuzzers.sh BUILD_DIR [SECONDS] [TARGET...]
set -euo pipefail
build=$1
seconds=${2:-60}
shift $(( $# >= 2 ? 2 : 1 ))
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(disk_image export mount disk_edits drop_blocks viewer)

# Seeds besides the committed inputs: the real images, whole (mode byte 0), as far as the
# fuzzers read.
for dir in disk export; do
    mkdir -p "$build/seeds/$dir"
    for image in "$here"/../../shared/images/*.{img,IMG,bkd,BKD}; do
        [ -f "$image" ] || continue
        { printf '\0'; head -c 32767 "$image"; } >"$build/seeds/$dir/real-$(basename "$image")"
    done
done
mkdir -p "$build/findings"
for target in "${targets[@]}"; do
    case $target in
        disk_image | mount) dir=disk ;;
        drop_blocks) dir=drop ;;
        disk_edits) dir=edits ;;
        *) dir=$target ;;
    esac
    mkdir -p "$build/corpus/$dir" "$build/seeds/$dir"
    echo "== fuzz_$target for ${seconds}s"
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
        -max_len=32768 -dict="$here/disk.dict" -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target-" \
        "$build/corpus/$dir" "$build/seeds/$dir" "$here/../tests/fuzz/inputs/$dir" 2>&1 \
        | grep -E '^(#[0-9]+[[:space:]]+(INITED|DONE)|stat::|Done|==|SUMMARY|check failed)' || true
    if ls "$build/findings/$target-"* >/dev/null 2>&1; then
        echo "fuzz_$target found a fault; the input is in $build/findings/" >&2
        exit 1
    fi
done
