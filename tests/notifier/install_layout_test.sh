#!/bin/sh
# Installs a build tree into a scratch prefix and checks what a desktop needs to run
# Freshwell at log-on: both programs, the XDG autostart entry and the icon, and the
# manual pages.
# Usage: install_layout_test.sh CMAKE BUILD_DIR
set -eu
prefix=$(mktemp -d "${TMPDIR:-/tmp}/install-layout.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
"$1" --install "$2" --prefix "$prefix" >/dev/null

status=0
for file in bin/Freshwell bin/getVantorel etc/xdg/autostart/freshwell.desktop \
    share/icons/hicolor/16x16/apps/freshwell.png share/icons/hicolor/22x22/apps/freshwell.png \
    share/icons/hicolor/24x24/apps/freshwell.png share/icons/hicolor/32x32/apps/freshwell.png \
    share/icons/hicolor/48x48/apps/freshwell.png share/man/man1/Freshwell.1.gz \
    share/man/man1/getVantorel.1.gz; do
    [ -f "$prefix/$file" ] || { echo "not installed: $file"; status=1; }
done
for program in bin/Freshwell bin/getVantorel; do
    [ -x "$prefix/$program" ] || { echo "not executable: $program"; status=1; }
done
for line in '[Desktop Entry]' 'Type=Application' 'Exec=Freshwell' 'Icon=freshwell'; do
    grep -qxF "$line" "$prefix/etc/xdg/autostart/freshwell.desktop" 2>/dev/null ||
        { echo "autostart entry lacks: $line"; status=1; }
done
exit $status
