#!/usr/bin/env bash
# Makes docs/ravelko-wine.png and docs/tomsivar-wine.png: the Windows programs under Wine,
# driven as a user would, on a virtual display with a window manager:
#   xvfb-run -a -s "-screen 0 1000x800x24" docs/make-wine-screenshots.sh build-win build
# Needs openbox, xdotool and ImageMagick.
set -eu
win=$(cd "$1" && pwd)
linux=$(cd "$2" && pwd)
docs=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=$win/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
openbox &
wm=$!
trap '/usr/lib/wine/wineserver -k; kill $wm' EXIT
[ -d "$WINEPREFIX" ] || $WINE wineboot -i > /dev/null 2>&1

window() { xdotool search --sync --onlyvisible --name "^$1\$" | head -1; }
click() { xdotool mousemove --window "$1" $2 click --repeat "${3:-1}" --delay 80 1; }
shot() { import -frame -window "$1" "$2"; } # with the frame the window manager gives it

# Ravelko in the Cyrillic folder of the sample MKDOS image.
cp "$linux/samples/sample-mkdos.img" /tmp/sample-mkdos.img
$WINE "$win/explorer/ravelko.exe" &
id=$(window Ravelko)
sleep 1
click "$id" "28 36"
sleep 1.5
xdotool type --delay 5 'Z:\tmp\sample-mkdos.img'
xdotool key Return
sleep 1
click "$id" "140 59" 2
sleep 1
shot "$id" "$docs/ravelko-wine.png"
xdotool windowactivate --sync "$id" key Escape

# Tomsivar beside the stand-in serving the sample screen, at 0o40000.
$WINE "$win/tools/zelmarin-sim.exe" --at 40000 "Z:$docs/../tools/samples/screen.bin" > /dev/null &
sleep 1
$WINE "$win/memviewer/tomsivar.exe" &
id=$(window ".*Tomsivar") # the title names the object watched
sleep 1
click "$id" "90 37"
xdotool type 40000
click "$id" "150 37"
sleep 1
shot "$id" "$docs/tomsivar-wine.png"
