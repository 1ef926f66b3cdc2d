#!/usr/bin/env bash
# Makes docs/ravelko.png and docs/tomsivar.png from a build, under a virtual display:
#   xvfb-run -a -s "-screen 0 1000x800x24" docs/make-screenshots.sh build
# Needs ImageMagick (import, convert), openbox and xdotool.
set -eu
build=${1:-build}
docs=$(cd "$(dirname "$0")" && pwd)
export GTK_OVERLAY_SCROLLING=0

# Ravelko with its title bar (it names the image), so under a window manager.
openbox &
wm=$!
"$build/tools/ravelko-screenshot" "$build/samples/sample-mkdos.img" "ИГРЫ" 5 &
id=$(xdotool search --sync --onlyvisible --name 'Ravelko$' | head -1)
sleep 3
import -frame -window "$id" "$docs/ravelko.png"
wait $!
kill $wm
wait $wm || true

"$build/tools/zelmarin-sim" --name SHOT_ --at 40000 "$docs/../tools/samples/screen.bin" &
sim=$!
sleep 0.5
"$build/tools/tomsivar-screenshot" SHOT_ 4 &
sleep 2.5
import -window root /tmp/tomsivar-shot.png
wait $!
kill "$sim"
wait
convert /tmp/tomsivar-shot.png -crop 527x638+0+0 +repage "$docs/tomsivar.png"
