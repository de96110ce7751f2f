#!/bin/sh
# Shows Freshwell at work on the bundled catalog server: it starts with an immediate
# check, finds the two updates of the sample catalog and registry, shows its tray icon
# and balloon; a screenshot is saved, then the program is ended.
#
# Usage: scripts/demo_freshwell.sh [build-dir [screenshot.png]]
#
# With DISPLAY set it runs on your own desktop; otherwise on a private Xvfb display with
# the trayer tray host.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
shot=${2:-$build/freshwell-demo.png}
case $shot in /*) ;; *) shot=$(pwd)/$shot ;; esac

if [ -z "${DISPLAY:-}" ]; then
    exec "$here/localservices/desktop/with-tray-host.sh" "$0" "$build" "$shot"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/freshwell-demo.XXXXXX")
chmod 700 "$work"
server_pid=""
freshwell_pid=""
stop() {
    if [ -n "$freshwell_pid" ]; then kill "$freshwell_pid" 2>/dev/null || true; fi
    if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; fi
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

. "$here/localservices/start_catalog_server.sh"
start_catalog_server "$work/server.out" || exit 1
url="http://127.0.0.1:$port/applications.xml"

echo "Freshwell --immediate-check --application-list $url"
echo "  registry: localservices/catalog/HKEY_LOCAL_MACHINE.ini, display $DISPLAY"
FRESHWELL_REGISTRY="$here/localservices/catalog/HKEY_LOCAL_MACHINE.ini" \
    XDG_RUNTIME_DIR="$work" \
    "$build/notifier/Freshwell" --immediate-check --application-list "$url" \
    >"$work/freshwell.out" 2>&1 &
freshwell_pid=$!

# Waits for Qt's own tray icon and balloon windows; a desktop whose tray is served over
# D-Bus shows neither as a window of the program, so there only the screenshot tells.
python3 - "$here/localservices/desktop" <<'EOF' || true
import sys
sys.path.insert(0, sys.argv[1])
import x11_windows as x11

icon = x11.wait_for(lambda: x11.tray_icon("Freshwell"), 15)
balloon = x11.wait_for(lambda: x11.settled_balloon("Freshwell"), 5)
print("  tray icon: %s" % ("shown" if icon else "not seen as a window of the program"))
print("  balloon:   %s" % ("shown" if balloon else "not seen as a window of the program"))
EOF

if ! kill -0 "$freshwell_pid" 2>/dev/null; then
    echo "demo: Freshwell ended early:" >&2
    cat "$work/freshwell.out" >&2
    exit 1
fi
import -window root "$shot"
echo "  screenshot: $shot"
kill "$freshwell_pid"
wait "$freshwell_pid" 2>/dev/null || true
freshwell_pid=""
echo "  Freshwell ended."
