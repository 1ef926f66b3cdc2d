#!/usr/bin/env bash
# Starts both programs from a build folder: Ravelko, and Tomsivar watching the emulator
# stand-in (serving the sample screen at 0o40000), which stops when the viewer closes.
set -u
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: run this from a desktop session (or under xvfb-run)." >&2
    exit 1
fi
"$build/tools/zelmarin-sim" --at 40000 "$here/samples/screen.bin" &
sim=$!
"$build/memviewer/tomsivar" &
viewer=$!
"$build/explorer/ravelko" &
explorer=$!
wait "$viewer"
kill "$sim" 2>/dev/null
wait "$explorer"
wait "$sim" 2>/dev/null
exit 0
