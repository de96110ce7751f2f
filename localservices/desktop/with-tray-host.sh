#!/bin/sh
# Runs a command on a private X server that has a system tray, then tears both down.
# Usage: with-tray-host.sh CMD [ARGS...]
#
# Xvfb picks a free display itself (-displayfd), so any number of runs can share a
# machine. The tray host is trayer docked bottom right; Qt embeds its icons there
# (XEmbed) and draws its own balloons. The exit status is CMD's, or 125 when the X
# server or the tray host could not be started.
set -u
[ $# -gt 0 ] || { echo "usage: $0 CMD [ARGS...]" >&2; exit 2; }

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tray-host.XXXXXX") || exit 125
xvfb_pid=""
tray_pid=""
cmd_pid=""

stop() {
    # The command's whole process group first, then the clients, then their server.
    [ -n "$cmd_pid" ] && kill -TERM -- "-$cmd_pid" 2>/dev/null && wait "$cmd_pid" 2>/dev/null
    for pid in $tray_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
# Xvfb writes the display number once it accepts connections.
tries=0
while [ ! -s "$work/display" ]; do
    if ! kill -0 "$xvfb_pid" 2>/dev/null || [ $tries -ge 200 ]; then
        echo "with-tray-host: Xvfb did not start" >&2
        cat "$work/xvfb.log" >&2
        exit 125
    fi
    tries=$((tries + 1))
    sleep 0.05
done
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

trayer --edge bottom --align right --widthtype pixel --width 120 --height 32 \
    --SetDockType true --transparent false --tint 0x808080 >"$work/trayer.log" 2>&1 &
tray_pid=$!
if ! python3 "$here/wait-for-tray.py" 10; then
    cat "$work/trayer.log" >&2
    exit 125
fi

# libxkbcommon-x11 strndup()s keymap names straight out of X replies, which are not
# NUL-terminated; AddressSanitizer's strict string checks take that for an overflow in
# every X client. Later ASan options override earlier ones.
if [ -n "${ASAN_OPTIONS:-}" ]; then
    export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
fi

# In the background so that a signal (a test time-out) is handled at once, and in a
# process group of its own so that ending it also ends what it started.
exec 4<&0
setsid "$@" <&4 4<&- &
cmd_pid=$!
wait "$cmd_pid"
status=$?
cmd_pid=""
exit $status
