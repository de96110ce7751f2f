#!/bin/sh
# Makes the Qt for 64-bit Windows (mingw-w64) that Freshwell.exe links, from Debian's own
# qt6-base source with Debian's patches, and prints its install prefix.
# Usage: scripts/build-qt-mingw.sh
#
# Debian ships no Qt for mingw. The result goes to a cache folder outside the source tree,
# shared by every build on the machine and keyed by the Qt source version, the configure
# line and the compiler, so only the first build pays (about 20 minutes on two loaded
# cores); a changed key makes a new one. The folder is qt-mingw in the machine's build
# cache, as for the SOAP runtime's source: $CORVANTA_BUILD_CACHE, else
# $XDG_CACHE_HOME/corvanta-companions, else ~/.cache/corvanta-companions.
#
# Static Qt: the program is then one exe importing only system DLLs, with the Windows
# platform plugin linked in; a shared Qt would ship its DLLs and plugin folders beside it.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)

# The host tools (moc, rcc, uic) must be of the same Qt version as the target libraries.
version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)

# Only what Freshwell uses: Core, Gui, Widgets, Network (Schannel), Xml. Debian's source
# lacks the wintab headers, hence no tablet events. Direct2D is a plugin nobody loads; the
# DirectWrite font database is built only with it (Qt 6.4 still calls it, and the link
# fails), and the default GDI one serves.
configure_args="-release -static -static-runtime -xplatform win32-g++ -qt-host-path /usr
 -nomake examples -nomake tests -no-opengl -no-vulkan -no-dbus -no-icu -no-zstd
 -no-feature-sql -no-feature-testlib -no-feature-concurrent -no-feature-printsupport
 -no-feature-pdf -no-feature-direct2d -no-feature-directwrite3 -no-feature-tabletevent
 -qt-zlib -qt-libpng -qt-pcre -qt-doubleconversion -no-libjpeg -no-gif -no-ico
 -no-freetype -no-harfbuzz -schannel -no-openssl"
# The compilers are part of the key: the posix-thread mingw g++ of the toolchain file.
compiler=$(x86_64-w64-mingw32-g++-posix -dumpfullversion 2>/dev/null || echo none)
key=$(printf '%s\n%s\n%s\n' "$version" "$configure_args" "$compiler" | sha256sum | cut -c1-12)

cache=${CORVANTA_BUILD_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/corvanta-companions}/qt-mingw
mkdir -p "$cache"
prefix=$cache/qt-$(echo "$version" | tr -c 'A-Za-z0-9.\n' '_')-$key

if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

# One builder at a time; the others wait and then take its result.
exec 9>"$cache/.lock"
flock 9
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

work=$cache/work-$key
rm -rf "$work" "$prefix"
mkdir -p "$work"
log=$cache/qt-$key.log
echo "building Qt $version for mingw into $prefix (log: $log)" >&2
start=$(date +%s)
(
    set -eu
    cd "$work"
    # dpkg-source applies Debian's patches on extraction.
    apt-get source --download-only "qt6-base=$version"
    dpkg-source -x qt6-base_*.dsc src
    mkdir build
    cd build
    # shellcheck disable=SC2086 # the configure line is a word list
    ../src/configure -prefix "$prefix" $configure_args -- \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    nice -n 19 cmake --build . --parallel 2
    cmake --install .
) >"$log" 2>&1 || {
    echo "Qt build failed; the end of $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
}
# The build tree is 2.6 GB, mostly precompiled headers; the install is about 100 MB.
rm -rf "$work"
printf '%s\n%s\n' "$version" "$configure_args" >"$prefix/.complete"
echo "Qt built in $(($(date +%s) - start)) s, $(du -sh "$prefix" | cut -f1)" >&2
echo "$prefix"
