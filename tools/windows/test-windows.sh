#!/usr/bin/env bash
# The Windows build under Wine: the cores' unit tests, then the five programs end to end,
# compared with the Linux build where both have the same job.
#   tools/windows/test-windows.sh build-win build
# Set SHOTS=DIR to keep screenshots of both windows there.
set -uo pipefail
win=$(cd "$1" && pwd)
linux=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
images=${BK_SHARED_IMAGES:-$root/../shared/images}

export WINEPREFIX=$win/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=C.UTF-8 # Wine reads the command line and file names as UTF-8
WINE=/usr/lib/wine/wine64
work=$(mktemp -d)
passed=0
failed=0
pids=()

cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    /usr/lib/wine/wineserver -k 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

check() { # check NAME COMMAND...: one end-to-end result
    if "${@:2}"; then
        passed=$((passed + 1))
        echo "PASS $1"
    else
        failed=$((failed + 1))
        echo "FAIL $1"
    fi
}

start() { # start COMMAND...: in the background, stopped at the end
    "$@" &
    pids+=($!)
}

# A display with a window manager, as a user's desktop has.
exec 3> "$work/display"
start Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
start openbox
[ -d "$WINEPREFIX" ] || $WINE wineboot -i > /dev/null 2>&1
# One server for the whole run: one that ends between two programs can drop the next
# one's connection ("wine client error: recvmsg"). The server a new prefix's wineboot left
# must end first, or the persistent one cannot start.
/usr/lib/wine/wineserver -w
/usr/lib/wine/wineserver -p || { echo "FAIL no persistent wine server"; exit 1; }

echo "== the zip: for Windows users"
zip_lists() { # the programs, the README for Windows, the samples; no developers' files
    local listing
    listing=$(unzip -Z1 "$win/bk-tools-windows-x64.zip" | sort | tr '\n' ' ')
    [ "$listing" = "bk-tools/ bk-tools/README.txt bk-tools/bkdisk.exe bk-tools/ramgrab.exe \
bk-tools/ravelko.exe bk-tools/samples/ bk-tools/samples/sample-andos.bkd \
bk-tools/samples/sample-microdos.img bk-tools/samples/sample-mkdos.img bk-tools/screen.bin \
bk-tools/tomsivar.exe bk-tools/zelmarin-sim.exe " ] || { echo "  $listing"; return 1; }
    unzip -p "$win/bk-tools-windows-x64.zip" bk-tools/README.txt > "$work/README.txt"
    [ "$(head -c 3 "$work/README.txt" | od -An -tx1)" = " ef bb bf" ] && # UTF-8, CR LF
        [ "$(grep -c $'\r$' "$work/README.txt")" -gt 50 ]
}
check "the zip holds what a Windows user needs" zip_lists
resources_right() { # version information and our manifest in every program, icons in five sizes
    local exe
    for exe in explorer/ravelko.exe memviewer/tomsivar.exe explorer/cli/bkdisk.exe \
        tools/zelmarin-sim.exe tools/ramgrab.exe; do
        strings -el "$win/$exe" > "$work/wide.txt" # files, not pipes: grep -q would cut one
        strings "$win/$exe" > "$work/narrow.txt"
        grep -q "BK 0010 disk and memory tools" "$work/wide.txt" &&
            grep -q "PerMonitorV2" "$work/narrow.txt" &&
            grep -q 'processorArchitecture="amd64"' "$work/narrow.txt" &&
            ! grep -q "wxWidgets application" "$work/narrow.txt" || { echo "  $exe"; return 1; }
    done
    [ "$(identify "$win/explorer/ravelko.ico" | wc -l)" = 5 ]
}
check "every program has its version, manifest and icons" resources_right
check "bkdisk.exe --help says mount is not on Windows" sh -c \
    "$WINE '$win/explorer/cli/bkdisk.exe' --help | grep -q 'not on Windows'"
check "zelmarin-sim.exe --help names no POSIX signal" sh -c \
    "! $WINE '$win/tools/zelmarin-sim.exe' --help | grep -q SIG"

echo "== unit tests under Wine"
ctest --test-dir "$win" --output-on-failure
unit=$?

# --- bkdisk: the same listing, contents and exported tree as the Linux bkdisk ---------
bkdisk_same() { # bkdisk_same IMAGE ARGS...: same stdout and exit code
    local lin win_out
    lin=$("$linux/explorer/cli/bkdisk" "$@" | od -An -tx1; echo "rc=${PIPESTATUS[0]}")
    win_out=$($WINE "$win/explorer/cli/bkdisk.exe" --utf8 "${@/#\//Z:/}" | od -An -tx1; echo "rc=${PIPESTATUS[0]}")
    [ "$lin" = "$win_out" ]
}

contents() { # the sorted checksums of every file below a folder (names may hold line feeds)
    find "$1" -type f -print0 | while IFS= read -r -d '' file; do md5sum < "$file"; done | sort
}

bkdisk_export_same() { # Windows wrote every file Linux wrote, with the same bytes (some under safe names)
    local image=$1 out=$work/export-$(basename "$1")
    mkdir -p "$out/linux" "$out/windows"
    "$linux/explorer/cli/bkdisk" export "$image" "$out/linux" > /dev/null
    $WINE "$win/explorer/cli/bkdisk.exe" export "Z:$image" "Z:$out/windows" > /dev/null
    [ "$(contents "$out/linux")" = "$(contents "$out/windows")" ]
}

echo "== bkdisk.exe against bkdisk"
shopt -s nullglob nocaseglob
for original in "$images"/*.img "$images"/*.bkd; do
    image=$work/$(basename "$original")
    cp "$original" "$image" && chmod u+w "$image" # the explorer refuses read-only images
    name=$(basename "$image")
    check "bkdisk info $name" bkdisk_same info "$image"
    check "bkdisk ls -R $name" bkdisk_same ls "$image" -R --tsv
    check "bkdisk export $name" bkdisk_export_same "$image"
    # The first few files, raw and as text.
    while IFS=$'\t' read -r file _; do
        check "bkdisk cat $name $file" bkdisk_same cat "$image" "$file"
        check "bkdisk cat --text $name $file" bkdisk_same cat "$image" "$file" --text
    done < <("$linux/explorer/cli/bkdisk" ls "$image" -R --tsv | awk -F'\t' '$2 == "" && $1 !~ /\\/' | head -3)
done
shopt -u nullglob nocaseglob
# Cyrillic in the image's path and in the catalog path: the wide command line and file names.
cyrillic=$work/диск.img
cp "$linux/samples/sample-mkdos.img" "$cyrillic"
check "bkdisk Cyrillic paths" bkdisk_same ls "$cyrillic" "ИГРЫ" --tsv
check "bkdisk export Cyrillic names" bkdisk_export_same "$cyrillic"

console_same() { # on a terminal (a console to Wine) bkdisk.exe shows what --utf8 writes
    local piped shown
    piped=$($WINE "$win/explorer/cli/bkdisk.exe" --utf8 ls "Z:$cyrillic" | sed 's/ *$//')
    script -qec "$WINE '$win/explorer/cli/bkdisk.exe' ls 'Z:$cyrillic'" /dev/null > "$work/console" < /dev/null
    shown=$(sed -e 's/\x1b\[[?0-9;]*[a-zA-Z]//g' -e 's/\r//g' -e 's/ *$//' "$work/console")
    [ "$shown" = "$piped" ] && grep -q "ИГРЫ            <DIR>" <<< "$shown" ||
        { echo "  $shown" | head -3; return 1; }
}
check "bkdisk.exe in a console shows Cyrillic names whole, in their columns" console_same

piped_text_is_the_consoles() { # into a pipe or file: the console's code page, CR LF on both
    # streams; the same as Linux with --utf8 (above)
    $WINE "$win/explorer/cli/bkdisk.exe" ls "Z:$cyrillic" --tsv > "$work/piped.txt" 2> /dev/null
    $WINE "$win/explorer/cli/bkdisk.exe" ls "Z:$work/missing.img" 2> "$work/piped-err.txt"
    local lines
    lines=$(wc -l < "$work/piped.txt")
    [ "$lines" -gt 0 ] && [ "$(grep -c $'\r$' "$work/piped.txt")" = "$lines" ] &&
        [ "$(grep -c $'\r$' "$work/piped-err.txt")" = "$(wc -l < "$work/piped-err.txt")" ] &&
        ! "$linux/explorer/cli/bkdisk" ls "$cyrillic" --tsv | cmp -s - "$work/piped.txt"
}
check "bkdisk.exe into a pipe writes the console's code page with CR LF" piped_text_is_the_consoles

# --- bkdisk.exe changes images to the same bytes as bkdisk, and never a held one -------
lin_bkdisk() { "$linux/explorer/cli/bkdisk" "$@" > /dev/null 2>&1; }
win_bkdisk() { $WINE "$win/explorer/cli/bkdisk.exe" "${@/#\//Z:/}" > /dev/null 2>&1; }

edit_steps() { # edit_steps RUNNER IMAGE FORMAT: one sequence of changes, and a refusal
    local run=$1 image=$2
    $run format --"$3" "$image" && $run mkdir "$image" ИГРЫ &&
        $run add "$image" --to ИГРЫ "$work/prog.bin" "$work/записка.txt" &&
        $run add "$image" --address 2000 "$work/prog.bin" &&
        $run mv "$image" ИГРЫ/записка.txt README && $run rm "$image" prog &&
        ! $run rm "$image" ИГРЫ
}

edits_same() { # edits_same FORMAT
    rm -f "$work/edit-lin.img" "$work/edit-win.img"
    edit_steps lin_bkdisk "$work/edit-lin.img" "$1" && edit_steps win_bkdisk "$work/edit-win.img" "$1" &&
        cmp -s "$work/edit-lin.img" "$work/edit-win.img"
}

hard_disk_steps() { # hard_disk_steps RUNNER IMAGE: a new hard disk, changes on one disk, a format
    local run=$1 image=$2
    $run format --andos --hdi --disks 3x800K "$image" && $run mkdir "$image" 1/ИГРЫ &&
        $run add "$image" --to 1/ИГРЫ "$work/prog.bin" "$work/записка.txt" &&
        $run mv "$image" 1/ИГРЫ/записка.txt 1/README && $run format --csidos "$image" 2 &&
        $run add "$image" --to 2 "$work/prog.bin" && ! $run format --mkdos "$image" 2 &&
        $run format --mkdos --force "$image" 2
}

hard_disks_same() { # the same bytes, and no journal left beside either
    rm -f "$work/hd-lin.hdi" "$work/hd-win.hdi"
    hard_disk_steps lin_bkdisk "$work/hd-lin.hdi" && hard_disk_steps win_bkdisk "$work/hd-win.hdi" &&
        cmp -s "$work/hd-lin.hdi" "$work/hd-win.hdi" && ! ls "$work"/.hd-*.bk-undo > /dev/null 2>&1
}

held_image_kept() { # another program holds the image open: the change fails with the
    # emulator's words, the image stays
    local image=$work/held.img before said
    cp "$linux/samples/sample-mkdos.img" "$image"
    before=$(md5sum < "$image")
    $WINE cmd /c "ping -n 6 127.0.0.1 >nul <Z:${image//\//\\}" > /dev/null 2>&1 &
    local holder=$!
    sleep 2
    said=$($WINE "$win/explorer/cli/bkdisk.exe" rm "Z:$image" README.TXT 2>&1)
    local status=$?
    wait "$holder"
    [ $status = 1 ] && [ "$(md5sum < "$image")" = "$before" ] &&
        grep -q "is open in another program: take the disk out of the emulator first. Nothing was changed." <<< "$said" ||
        { echo "  $said"; return 1; }
}

writers_take_turns() { # bkdisk.exe processes at once: every one that says so added its file
    local image=$work/turns.img i ok=0 listing writers=()
    win_bkdisk format --mkdos "$image"
    for i in 1 2 3 4 5 6; do
        printf 'file %s' $i > "$work/T$i.DAT"
        (win_bkdisk add "$image" "$work/T$i.DAT"; echo $? > "$work/T$i.rc") &
        writers+=($!)
    done
    wait "${writers[@]}" # not the display and window manager, which run on
    listing=$("$linux/explorer/cli/bkdisk" ls "$image")
    for i in 1 2 3 4 5 6; do
        [ "$(cat "$work/T$i.rc")" = 0 ] && ok=$((ok + 1))
        if [ "$(cat "$work/T$i.rc")" = 0 ] && ! grep -q "^T$i.DAT " <<< "$listing"; then
            echo "  T$i.DAT said added, not on the disk"; return 1
        fi
    done
    [ $ok = 6 ]
}

echo "== bkdisk.exe changes images as bkdisk does"
printf '\0\100\6\0ABCDEF' > "$work/prog.bin" # a .bin file: at 040000, 6 bytes
printf 'hello\n' > "$work/записка.txt"
for format in microdos mkdos andos csidos; do
    check "bkdisk.exe format, mkdir, add, mv, rm on $format" edits_same "$format"
done
check "bkdisk.exe makes and changes hard disks as bkdisk does" hard_disks_same
check "bkdisk.exe leaves an image another program holds as it was" held_image_kept
check "bkdisk.exe writers at once take turns and lose nothing" writers_take_turns

# A file without write permission has Windows' read-only attribute under Wine: bkdisk
# only reads images, so it opens it.
if [ -n "${image:-}" ]; then
    cp "$image" "$work/ro.img" && chmod a-w "$work/ro.img"
    check "bkdisk reads a read-only image" bkdisk_same info "$work/ro.img"
fi

# --- zelmarin-sim.exe and ramgrab.exe give the Linux tools' bitmaps ----------------------
wait_for_sim() { # wait_for_sim GRAB-COMMAND...: until a grab succeeds (the object exists)
    for _ in $(seq 100); do "$@" > /dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}

grab_same() { # grab_same RAMGRAB-ARGS...: the same BMP bytes from the same memory
    # A grab the moment the object appears may come before the screen is loaded into it:
    # the memory counts once it is there (a second grab), and Windows' is grabbed until it
    # is the same or the time is up.
    local base=BKE2E_$RANDOM lin=$work/lin.bmp win_bmp=$work/win.bmp same=1
    "$linux/tools/zelmarin-sim" --name "$base" --at 40000 "$root/tools/samples/screen.bin" > /dev/null &
    local sim=$!
    wait_for_sim "$linux/tools/ramgrab" --name "$base" "$@" "$lin"
    sleep 0.5
    "$linux/tools/ramgrab" --name "$base" "$@" "$lin" > /dev/null
    kill "$sim"; wait "$sim"
    $WINE "$win/tools/zelmarin-sim.exe" --name "$base" --at 40000 "Z:$root/tools/samples/screen.bin" > /dev/null &
    sim=$!
    wait_for_sim $WINE "$win/tools/ramgrab.exe" --name "$base" "$@" "Z:$win_bmp"
    for _ in $(seq 30); do
        cmp -s "$lin" "$win_bmp" && { same=0; break; }
        sleep 0.2
        $WINE "$win/tools/ramgrab.exe" --name "$base" "$@" "Z:$win_bmp" > /dev/null 2>&1
    done
    kill "$sim"; wait "$sim"
    return $same
}

echo "== ramgrab.exe and zelmarin-sim.exe against ramgrab and zelmarin-sim"
check "ramgrab colour screen" grab_same
check "ramgrab mono part" grab_same --mono --address 1000 --bytes-per-row 32 --rows 16
check "ramgrab without emulator fails" test "$($WINE "$win/tools/ramgrab.exe" --name BKE2E_NONE "Z:$work/x.bmp" \
    2> /dev/null; echo $?)" = 1

# --- the windows --------------------------------------------------------------------------
# Share of the window's pixels that are white or red: the picture of memory full of 0xFF
# (mono or colour), against the empty background.
bright_share() {
    import -window "$1" "$work/window.png" 2> /dev/null
    convert "$work/window.png" -fx '(r>0.9 && b<0.1 && g<0.1) || (r>0.995 && g>0.995 && b>0.995) ? 1 : 0' \
        -format '%[fx:mean]' info:
}

find_window() { # find_window TITLE: the window's id once it is shown (10 s at most)
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1\$" 2> /dev/null | head -1 | grep . && return 0
        sleep 0.1
    done
    return 1
}

share_is() { # share_is WINDOW above|below LIMIT
    local share
    share=$(bright_share "$1")
    echo "  picture share $share ($2 $3 wanted)"
    awk -v s="$share" -v d="$2" -v l="$3" 'BEGIN { exit !(d == "above" ? s > l : s < l) }'
}
picture_shown() { share_is "$1" above 0.5; }
picture_empty() { share_is "$1" below 0.15; } # the white entry fields count too

full_memory=$work/ff.bin
head -c 65536 /dev/zero | tr '\0' '\377' > "$full_memory"

start_emulator() { # start_emulator ARGS...: zelmarin-sim.exe, ready to be read ($sim)
    $WINE "$win/tools/zelmarin-sim.exe" "$@" > /dev/null &
    sim=$!
    wait_for_sim $WINE "$win/tools/ramgrab.exe" "Z:$work/probe.bmp"
}

start_viewer() { # tomsivar.exe ($viewer) and its window ($id)
    $WINE "$win/memviewer/tomsivar.exe" &
    viewer=$!
    id=$(find_window ".*Tomsivar") && sleep 1 # the title may name the object watched
}

stop_all() { kill "$viewer" ${sim:+"$sim"} 2> /dev/null; wait "$viewer" ${sim:+"$sim"} 2> /dev/null; }

viewer_attaches() { # viewer_attaches before|after: the emulator started before or after it
    local sim="" viewer id
    [ "$1" = after ] || start_emulator "Z:$full_memory"
    start_viewer || { stop_all; return 1; }
    if [ "$1" = after ]; then
        picture_empty "$id" || { stop_all; return 1; }
        start_emulator "Z:$full_memory"
        sleep 0.5 # the watcher looks every 200 ms; then "Zelmarin detected!" waits for OK
        xdotool key Return # Wine takes typed keys, not keys sent to a window
        sleep 1
    fi
    [ -z "${SHOTS:-}" ] || import -window "$id" "$SHOTS/tomsivar-wine-$1.png"
    picture_shown "$id"
    local shown=$?
    stop_all
    return $shown
}

viewer_follows_restart() { # the emulator stops and starts again with other memory
    local sim="" viewer id
    start_emulator "Z:$full_memory"
    start_viewer && picture_shown "$id" || { stop_all; return 1; }
    kill "$sim"
    wait "$sim" 2> /dev/null
    # The viewer still holds the object: the new emulator gets it, with its own memory.
    head -c 65536 /dev/zero > "$work/zero.bin"
    start_emulator --replace "Z:$work/zero.bin"
    sleep 2 # live update shows it without a key
    picture_empty "$id"
    local empty=$?
    stop_all
    return $empty
}

# Points in the window, from its layout in dialog units: the first and third toolbar
# buttons and the first row of the list.
OPEN_BUTTON="28 36"
TEXT_BUTTON="28 111"
FIRST_ROW="140 42"

click() { xdotool mousemove --window "$1" $2 click 1; }

shows_windows() { # shows_windows CLASS COUNT: the program shows COUNT windows within 3 s
    for _ in $(seq 30); do
        [ "$(xdotool search --onlyvisible --class "$1" 2> /dev/null | wc -l)" = "$2" ] && return 0
        sleep 0.1
    done
    return 1
}

# Opens an image through the file dialog, shows its first file in Notepad, ends on Escape.
ravelko_views_text() {
    local image=$work/sample.img explorer id
    cp "$linux/samples/sample-mkdos.img" "$image"
    $WINE "$win/explorer/ravelko.exe" &
    explorer=$!
    stop() { echo "  $1"; kill "$explorer" 2> /dev/null; return 1; }
    id=$(find_window Ravelko) || { stop "no window"; return 1; }
    for _ in 1 2 3; do # a click while the window is still settling can go astray
        click "$id" "$OPEN_BUTTON"
        shows_windows ravelko 2 && break
    done
    sleep 0.5 # the file dialog, with the focus in its name field
    xdotool type --delay 5 "Z:${image//\//\\}"
    xdotool key Return
    shows_windows ravelko 1 || { stop "the file dialog stayed"; return 1; }
    sleep 0.5
    click "$id" "$FIRST_ROW"
    sleep 0.5
    [ -z "${SHOTS:-}" ] || import -window "$id" "$SHOTS/ravelko-wine.png"
    click "$id" "$TEXT_BUTTON"
    find_window "README.TXT - Notepad" > /dev/null || { stop "no Notepad"; return 1; }
    xdotool windowactivate --sync "$id" key Escape # Escape ends the program
    for _ in $(seq 50); do kill -0 "$explorer" 2> /dev/null || return 0; sleep 0.1; done
    stop "Escape did not end it"
}

viewer_takes_its_options() { # --name and --index reach it: its title names what it watches
    local base=BKWINE_$RANDOM sim="" viewer
    $WINE "$win/tools/zelmarin-sim.exe" --name "$base" --index 2 "Z:$full_memory" > /dev/null &
    sim=$!
    wait_for_sim $WINE "$win/tools/ramgrab.exe" --name "$base" "Z:$work/probe.bmp"
    $WINE "$win/memviewer/tomsivar.exe" --name "$base" --index 2 &
    viewer=$!
    local found=1
    for _ in $(seq 100); do # grep reads the whole tree: a -q that ends the pipe early would
        # fail it under pipefail
        xwininfo -root -tree | grep -F "$base""2 — Tomsivar" > /dev/null && { found=0; break; }
        sleep 0.1
    done
    stop_all
    return $found
}

echo "== ravelko.exe and tomsivar.exe under Wine"
check "tomsivar.exe watches the object its --name and --index name" viewer_takes_its_options
check "ravelko.exe opens an image and shows a text file in Notepad" ravelko_views_text
check "tomsivar.exe attaches to an emulator started before it" viewer_attaches before
check "tomsivar.exe attaches to an emulator started after it" viewer_attaches after
check "tomsivar.exe shows a restarted emulator's new memory" viewer_follows_restart

echo "end to end: $passed passed, $failed failed"
[ "$unit" = 0 ] && [ "$failed" = 0 ]
