#!/usr/bin/env bash
# Packs the Windows programs of a build folder, stripped, with the Windows users' README
# (CR LF, UTF-8 with a byte-order mark), the sample screen and the sample images that the
# Linux build made:
#   tools/windows/package.sh build-win build   ->   build-win/bk-tools-windows-x64.zip
set -euo pipefail
build=$1
linux=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
stage=$build/package/bk-tools
rm -rf "$build/package" && mkdir -p "$stage"
for exe in explorer/ravelko.exe memviewer/tomsivar.exe explorer/cli/bkdisk.exe tools/zelmarin-sim.exe tools/ramgrab.exe; do
    x86_64-w64-mingw32-strip -o "$stage/$(basename "$exe")" "$build/$exe"
done
{ printf '\xEF\xBB\xBF'; sed 's/$/\r/' "$root/tools/windows/README.txt"; } > "$stage/README.txt"
cp "$root/tools/samples/screen.bin" "$stage/"
mkdir "$stage/samples"
cp "$linux"/samples/*.img "$linux"/samples/*.bkd "$stage/samples/"
[ ! -f "$root/LICENSE" ] || cp "$root/LICENSE" "$stage/"
rm -f "$build/bk-tools-windows-x64.zip"
(cd "$build/package" && zip -q -r ../bk-tools-windows-x64.zip bk-tools)
ls -l "$stage"/*.exe "$build/bk-tools-windows-x64.zip"
