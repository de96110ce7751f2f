#!/bin/sh
# Runs a command on a private X server that has a system tray, then tears both down.
# Usage: with-tray-host.sh [--xfce-panel NOTIFICATION_DAEMON | --session-bus] CMD [ARGS...]
#
# Xvfb picks a free display itself (-displayfd), so any number of runs can share a
# machine. The tray host is trayer docked bottom right; Qt embeds its icons there
# (XEmbed) and draws its own balloons. A private session bus serves every mode.
#
# With --xfce-panel the tray lives on a private session bus instead: xfce4-panel with only
# its systray plugin (a StatusNotifierWatcher and host, so Qt makes its icons
# StatusNotifierItems) and the notification daemon named (xfce4-notifyd, dunst, or none).
# The bus activates nothing, so no other daemon can step in. With --session-bus there is only
# that bus: CMD plays the tray's and the notification server's part itself.
#
# The exit status is CMD's, or 125 when the X server or the tray could not be started.
set -u
daemon=""
if [ "${1:-}" = "--xfce-panel" ] && [ $# -ge 2 ]; then
    daemon=$2
    shift 2
elif [ "${1:-}" = "--session-bus" ]; then
    daemon=-
    shift
fi
[ $# -gt 0 ] || { echo "usage: $0 [--xfce-panel DAEMON | --session-bus] CMD [ARGS...]" >&2; exit 2; }

here=$(cd "$(dirname "$0")" && pwd)
. "$here/session-common.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/tray-host.XXXXXX") || exit 125
xvfb_pid=""
bus_pid=""
tray_pids=""

# The clients, then their servers.
stop() { stop_processes $tray_pids $bus_pid $xvfb_pid; }

fail() {
    echo "with-tray-host: $1" >&2
    cat "$work"/*.log >&2
    exit 125
}

# A server writes its address to FILE once it accepts connections.
started() { [ -s "$1" ] || { kill -0 "$2" 2>/dev/null || fail "process $2 ended"; false; }; }

start_session_bus() {
    cat >"$work/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$work</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
    dbus-daemon --nofork --config-file="$work/bus.conf" --print-address=5 \
        5>"$work/bus" >"$work/bus.log" 2>&1 &
    bus_pid=$!
    wait_until started "$work/bus" "$bus_pid" || fail "dbus-daemon did not start"
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
    NO_AT_BRIDGE=1
    export DBUS_SESSION_BUS_ADDRESS NO_AT_BRIDGE
}

start_xfce_panel() {
    start_session_bus
    # xfconf reads the panel's layout from here.
    XDG_CONFIG_HOME="$work/config"
    export XDG_CONFIG_HOME
    channels="$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
    mkdir -p "$channels"
    cat >"$channels/xfce4-panel.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=8;x=400;y=584"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
EOF
    for xfconfd in /usr/lib/*/xfce4/xfconf/xfconfd; do :; done
    for notifyd in /usr/lib/*/xfce4/notifyd/xfce4-notifyd; do :; done
    [ "$daemon" = xfce4-notifyd ] && daemon=$notifyd

    "$xfconfd" >"$work/xfconfd.log" 2>&1 &
    tray_pids="$!"
    gdbus wait --session --timeout 10 org.xfce.Xfconf || fail "xfconfd did not start"
    xfce4-panel --disable-wm-check >"$work/panel.log" 2>&1 &
    tray_pids="$! $tray_pids"
    if [ "$daemon" != none ]; then
        "$daemon" >"$work/notifications.log" 2>&1 &
        tray_pids="$! $tray_pids"
        gdbus wait --session --timeout 10 org.freedesktop.Notifications ||
            fail "$daemon did not start"
    fi
    # Qt looks for a registered host once, when it makes its first tray icon.
    wait_until host_registered || fail "the panel registered no StatusNotifierHost"
}

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_until started "$work/display" "$xvfb_pid" || fail "Xvfb did not start"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

if [ "$daemon" = - ]; then
    start_session_bus
elif [ -n "$daemon" ]; then
    start_xfce_panel
else
    # A session bus without a StatusNotifierWatcher, as on X11 desktops, where Qt must
    # still embed its icon.
    start_session_bus
    trayer --edge bottom --align right --widthtype pixel --width 120 --height 32 \
        --SetDockType true --transparent false --tint 0x808080 >"$work/trayer.log" 2>&1 &
    tray_pids=$!
    python3 "$here/wait-for-tray.py" 10 || fail "trayer did not start"
fi

run_command "$@"
