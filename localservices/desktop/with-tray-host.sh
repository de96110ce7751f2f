#!/bin/sh
# Runs a command on a private X server that has a system tray, then tears both down.
# Usage: with-tray-host.sh [--session-bus] CMD [ARGS...]
#
# Xvfb picks a free display itself (-displayfd), so any number of runs can share a
# machine. The tray host is trayer docked bottom right; Qt embeds its icons there
# (XEmbed) and draws its own balloons. A private session bus serves every mode.
#
# With --session-bus there is no tray host, only the bus, which activates nothing: CMD plays
# the tray's and the notification server's part itself. Desktops' own trays: with-desktop.sh.
#
# The exit status is CMD's, or 125 when the X server or the tray could not be started.
set -u
bare_bus=""
if [ "${1:-}" = "--session-bus" ]; then
    bare_bus=1
    shift
fi
[ $# -gt 0 ] || { echo "usage: $0 [--session-bus] CMD [ARGS...]" >&2; exit 2; }

here=$(cd "$(dirname "$0")" && pwd)
. "$here/session-common.sh"
session_work tray-host
start_xvfb 800x600
start_session

if [ -z "$bare_bus" ]; then
    # The session bus has no StatusNotifierWatcher, as on X11 desktops, where Qt must
    # still embed its icon.
    run trayer trayer --edge bottom --align right --widthtype pixel --width 120 --height 32 \
        --SetDockType true --transparent false --tint 0x808080
    python3 "$here/wait-for-tray.py" 10 || fail "trayer did not start"
fi

run_command "$@"
