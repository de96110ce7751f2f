#!/bin/sh
# Installs a build tree into a scratch prefix and checks what a desktop needs to run
# Freshwell at log-on: both programs, the XDG autostart entry and the icon.
# Usage: install_layout_test.sh CMAKE BUILD_DIR
set -eu
cmake=$1
build=$2
prefix=$(mktemp -d "${TMPDIR:-/tmp}/install-layout.XXXXXX")
trap 'rm -rf "$prefix"' EXIT

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

status=0
for program in bin/Freshwell bin/getVantorel; do
    [ -x "$prefix/$program" ] || { echo "not installed: $program"; status=1; }
done
icon="$prefix/share/icons/hicolor/16x16/apps/freshwell.png"
[ -f "$icon" ] || { echo "not installed: $icon"; status=1; }
entry="$prefix/etc/xdg/autostart/freshwell.desktop"
if [ -f "$entry" ]; then
    for line in '[Desktop Entry]' 'Type=Application' 'Exec=Freshwell' 'Icon=freshwell'; do
        grep -qxF "$line" "$entry" || { echo "$entry lacks: $line"; status=1; }
    done
else
    echo "not installed: $entry"
    status=1
fi
exit $status
