#!/bin/sh
# Puts stdsoap2.cpp and stdsoap2.h of the installed gSOAP's own version, as Debian ships its
# source, into DIR (nothing is fetched when both are there already). The source is
# downloaded once per machine into a cache folder ($CORVANTA_BUILD_CACHE, else
# $XDG_CACHE_HOME/corvanta-companions, else ~/.cache/corvanta-companions) and copied from
# there into every build tree. Needs a deb-src entry, which scripts/setup.sh adds.
# Usage: scripts/fetch-gsoap-runtime.sh DIR
set -eu
dir=$1
if [ -f "$dir/stdsoap2.cpp" ] && [ -f "$dir/stdsoap2.h" ]; then
    exit 0
fi
# The source of the installed soapcpp2's version, not whatever the archive holds newest: the
# generated code refuses a runtime of another version.
version=$(dpkg-query -W -f='${source:Version}' gsoap)
cache=${CORVANTA_BUILD_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/corvanta-companions}
kept="$cache/gsoap-runtime/${version#*:}"
if ! [ -f "$kept/stdsoap2.cpp" ] || ! [ -f "$kept/stdsoap2.h" ]; then
    download="$kept/download"
    mkdir -p "$download"
    dsc="$download/gsoap_${version#*:}.dsc"
    tries=0
    # apt-get checks every file against the signed source index and skips those already
    # complete, so an interrupted download resumes; a mirror hiccup gets retries.
    until (cd "$download" && apt-get source --download-only -q "gsoap=$version") >&2; do
        tries=$((tries + 1))
        if [ "$tries" -ge 3 ]; then
            echo "fetch-gsoap-runtime: cannot download the source of gsoap $version." >&2
            echo "Is there a deb-src entry (scripts/setup.sh adds one) and an 'apt-get update' since?" >&2
            exit 1
        fi
        sleep $((tries * 5))
    done
    # Unpacked with Debian's own patches, as the installed libraries were built; only the
    # runtime's two files are kept. They are moved into place last, so that an interrupted
    # run is not taken for a finished one.
    rm -rf "$download/tree"
    dpkg-source --no-check -q -x "$dsc" "$download/tree" >&2
    mv "$download/tree/gsoap/stdsoap2.h" "$kept/stdsoap2.h"
    mv "$download/tree/gsoap/stdsoap2.cpp" "$kept/stdsoap2.cpp"
    rm -rf "$download"
fi
mkdir -p "$dir"
cp "$kept/stdsoap2.h" "$dir/stdsoap2.h.part"
cp "$kept/stdsoap2.cpp" "$dir/stdsoap2.cpp.part"
mv "$dir/stdsoap2.h.part" "$dir/stdsoap2.h"
mv "$dir/stdsoap2.cpp.part" "$dir/stdsoap2.cpp"
