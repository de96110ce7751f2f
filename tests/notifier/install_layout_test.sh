#!/bin/sh
# Installs a build tree into a scratch prefix and checks what a desktop needs to run
# Freshwell at log-on, and the manual pages. Usage: install_layout_test.sh CMAKE BUILD_DIR
set -eu
prefix=$(mktemp -d "${TMPDIR:-/tmp}/install-layout.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
"$1" --install "$2" --prefix "$prefix" >/dev/null
cd "$prefix"

status=0
for file in bin/Freshwell bin/getVantorel etc/xdg/autostart/freshwell.desktop \
    share/man/man1/Freshwell.1.gz share/man/man1/getVantorel.1.gz \
    $(printf 'share/icons/hicolor/%sx%s/apps/freshwell.png ' 16 16 22 22 24 24 32 32 48 48); do
    [ -f "$file" ] || { echo "not installed: $file"; status=1; }
done
[ -x bin/Freshwell ] && [ -x bin/getVantorel ] || { echo "a program is not executable"; status=1; }
for line in '[Desktop Entry]' 'Type=Application' 'Exec=Freshwell' 'Icon=freshwell'; do
    grep -qxF "$line" etc/xdg/autostart/freshwell.desktop || { echo "autostart lacks: $line"; status=1; }
done
exit $status
