#!/bin/sh
# The Debian package of scripts/package.sh as a user meets it, from lintian to a purge that
# leaves nothing. Needs root. Usage: package_test.sh corvanta-companions_<version>_amd64.deb
set -eu
[ $# -eq 1 ] || { echo "usage: $0 DEB" >&2; exit 2; }
deb=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
here=$(cd "$(dirname "$0")/../.." && pwd)
pkg=corvanta-companions
work=$(mktemp -d "${TMPDIR:-/tmp}/package-test.XXXXXX")
apt() { apt-get -o DPkg::Lock::Timeout=600 -y -q "$@" >"$work/apt.log" 2>&1 || {
    cat "$work/apt.log" >&2; return 1; }; }
cleanup() {
    if dpkg -s "$pkg" >/dev/null 2>&1; then apt purge "$pkg"; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "package test: $*" >&2; exit 1; }
export DEBIAN_FRONTEND=noninteractive

lintian --info "$deb" || fail "lintian reports errors"

(cd "$(dirname "$deb")" && apt install "./$(basename "$deb")") || fail "apt-get install failed"
dpkg -L "$pkg" >"$work/files"

# No network at all: the product host name cannot be resolved (12007), whereas a tree
# built for the bundled service would have been refused on loopback (12029).
unshare -n /usr/bin/getVantorel 8.4 server oltp >"$work/out" 2>"$work/err" ||
    fail "getVantorel exit status $? (expected 0): $(cat "$work/err")"
[ ! -s "$work/out" ] || fail "getVantorel printed a profile: $(cat "$work/out")"
grep -q '"Error 12007"' "$work/err" || fail "getVantorel fault report: $(cat "$work/err")"

# -h shows the usage box and ends with 1 once the box is closed (124: still running).
timeout 60 "$here/localservices/desktop/with-tray-host.sh" sh -c '
    /usr/bin/Freshwell -h & pid=$!
    box=$(timeout 30 xdotool search --sync --onlyvisible --name "^Freshwell\$" | head -n 1)
    [ -n "$box" ] || { kill $pid; exit 3; }
    xdotool windowfocus --sync "$box" key Return
    wait $pid' || status=$?
[ "${status:-0}" -eq 1 ] || fail "Freshwell -h: exit status ${status:-0} (expected 1; 3: no box)"

desktop-file-validate /etc/xdg/autostart/freshwell.desktop || fail "autostart entry invalid"

for page in getVantorel Freshwell; do
    file=/usr/share/man/man1/$page.1.gz
    man --warnings -l "$file" >"$work/page" 2>"$work/page.err" || fail "man $page failed"
    [ ! -s "$work/page.err" ] || fail "man $page: $(cat "$work/page.err")"
    grep -q '^SYNOPSIS' "$work/page" || fail "man $page renders no synopsis"
done

apt purge "$pkg" || fail "apt-get purge failed"
! dpkg -s "$pkg" >/dev/null 2>&1 || fail "dpkg still knows $pkg"
# A directory may stay only while another package owns it or it holds something else.
while read -r path; do
    if [ -d "$path" ] && [ ! -L "$path" ]; then
        [ -n "$(ls -A "$path")" ] || dpkg -S "$path" >/dev/null 2>&1 ||
            fail "empty directory left: $path"
    elif [ -e "$path" ] || [ -L "$path" ]; then
        fail "left after purge: $path"
    fi
done <"$work/files"
echo "package test: passed"
