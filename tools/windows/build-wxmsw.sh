#!/usr/bin/env bash
# Builds wxWidgets for Windows (wxMSW, static, monolithic) from Debian's own source package
# with MinGW-w64, once per version and option set, into a cache outside any build folder.
# Prints the install prefix (holding bin/wx-config) on its last line.
#
#   tools/windows/build-wxmsw.sh [CACHE_DIR]     (default: $XDG_CACHE_HOME/bk-tools or ~/.cache/bk-tools)
set -euo pipefail

HOST=x86_64-w64-mingw32
CONFIGURE_OPTIONS=(
    --host=$HOST --build=x86_64-linux-gnu --disable-shared --enable-monolithic --with-msw
    --without-libpng --without-libjpeg --without-libtiff --without-expat --disable-svg
    --with-zlib=sys --disable-xrc --disable-html --disable-webview --disable-mediactrl
    --disable-stc --disable-richtext --disable-propgrid --disable-aui --disable-ribbon
    --without-opengl --disable-debug_info
)
CACHE_DIR=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/bk-tools}
JOBS=${JOBS:-2}

# Debian's version of the source (e.g. 3.2.2+dfsg-2) with the options makes the key.
apt_dir=$CACHE_DIR/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/parts"
# A private deb-src list that repeats the machine's own entries; the machine's files stay as they are.
sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$apt_dir/parts/debian-src.sources"
APT_OPTIONS=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/parts"
             -o Dir::State::Lists="$apt_dir/lists")
if [ -z "$(ls "$apt_dir/lists" | grep -v -e partial -e lock)" ]; then
    apt-get "${APT_OPTIONS[@]}" update >&2
fi
version=$(apt-cache "${APT_OPTIONS[@]}" showsrc wxwidgets3.2 | sed -n 's/^Version: //p' | sort -V | tail -1)
[ -n "$version" ] || { echo "no source package wxwidgets3.2 found" >&2; exit 1; }
key=$(printf '%s %s' "$version" "${CONFIGURE_OPTIONS[*]}" | sha256sum | cut -c1-12)
prefix=$CACHE_DIR/wxmsw-${version//[^A-Za-z0-9.+-]/_}-$key

if [ ! -e "$prefix/.complete" ]; then
    work=$CACHE_DIR/work-$key
    rm -rf "$work" "$prefix" && mkdir -p "$work"
    (cd "$work" && apt-get "${APT_OPTIONS[@]}" source --download-only "wxwidgets3.2=$version" >&2)
    tar -xf "$work"/wxwidgets3.2_*.orig.tar.* -C "$work"
    source_dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -1)
    mkdir -p "$work/build"
    (cd "$work/build" &&
        CC=$HOST-gcc-posix CXX=$HOST-g++-posix "$source_dir/configure" "${CONFIGURE_OPTIONS[@]}" \
            --prefix="$prefix" >&2 &&
        make -j"$JOBS" >&2 && make install >&2)
    rm -rf "$work"
    touch "$prefix/.complete"
fi
echo "$prefix"
