#!/usr/bin/env bash
# Packs the Windows programs of a build folder, stripped, with the README:
#   tools/windows/package.sh build-win   ->   build-win/bk-tools-windows-x64.zip
set -euo pipefail
build=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
stage=$build/package/bk-tools
rm -rf "$build/package" && mkdir -p "$stage"
for exe in explorer/ravelko.exe memviewer/tomsivar.exe explorer/cli/bkdisk.exe tools/zelmarin-sim.exe tools/ramgrab.exe; do
    x86_64-w64-mingw32-strip -o "$stage/$(basename "$exe")" "$build/$exe"
done
cp "$root/README.md" "$stage/"
cp "$root/tools/samples/screen.bin" "$stage/"
[ ! -f "$root/LICENSE" ] || cp "$root/LICENSE" "$stage/"
rm -f "$build/bk-tools-windows-x64.zip"
(cd "$build/package" && zip -q -r ../bk-tools-windows-x64.zip bk-tools)
ls -l "$stage"/*.exe "$build/bk-tools-windows-x64.zip"
