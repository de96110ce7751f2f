#!/bin/sh
# Puts stdsoap2.cpp and stdsoap2.h of the installed gSOAP's own version, as Debian ships its
# source, into DIR (nothing is fetched when both are there already). Needs a deb-src entry,
# which scripts/setup.sh adds.
# Usage: scripts/fetch-gsoap-runtime.sh DIR
set -eu
dir=$1
if [ -f "$dir/stdsoap2.cpp" ] && [ -f "$dir/stdsoap2.h" ]; then
    exit 0
fi
# The source of the installed soapcpp2's version, not whatever the archive holds newest: the
# generated code refuses a runtime of another version.
version=$(dpkg-query -W -f='${source:Version}' gsoap)
upstream=${version#*:}
upstream=${upstream%-*}
download="$dir/download"
mkdir -p "$download"
tarball="$download/gsoap_$upstream.orig.tar.gz"
tries=0
until [ -f "$tarball" ]; do
    # apt-get checks the tarball against the signed source index; a mirror hiccup gets retries.
    if (cd "$download" && apt-get source --download-only -q "gsoap=$version") >&2; then
        break
    fi
    tries=$((tries + 1))
    if [ "$tries" -ge 3 ]; then
        echo "fetch-gsoap-runtime: cannot download the source of gsoap $version." >&2
        echo "Is there a deb-src entry (scripts/setup.sh adds one) and an 'apt-get update' since?" >&2
        exit 1
    fi
    sleep $((tries * 5))
done
# Only the runtime's two files leave the tarball; written under a temporary name first so
# that an interrupted run is not taken for a finished one.
tar -xzf "$tarball" -C "$download" --strip-components=2 \
    "gsoap-$upstream/gsoap/stdsoap2.cpp" "gsoap-$upstream/gsoap/stdsoap2.h"
mv "$download/stdsoap2.h" "$dir/stdsoap2.h"
mv "$download/stdsoap2.cpp" "$dir/stdsoap2.cpp"
