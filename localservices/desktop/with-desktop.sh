#!/bin/sh
# Runs a command inside one desktop's session on a private display and session bus, then
# tears it all down. Usage: with-desktop.sh DESKTOP CMD [ARGS...], where DESKTOP is one of
#   plasma              plasmashell with kwin_x11 and kded5 (tray watcher) on Xvfb
#   gnome               gnome-shell --x11 on Xvfb: a notification server but no tray
#   gnome-appindicator  the same with the AppIndicator extension, which brings a tray
#   lxqt                lxqt-panel (statusnotifier plugin), lxqt-notificationd and openbox
#   sway                sway headless with waybar's tray and mako; Qt runs on Wayland
#   bare                Xvfb alone: neither a tray nor a notification server
#
# The session bus activates only the desktop's own services (copied into a private service
# folder), so a notification daemon installed for another desktop cannot step in. The
# command starts once the desktop's tray host is registered and its notification server
# owns its name. sway refuses root and GNOME warns about it, so when run as root their
# sessions (and CMD) run as the user named by $DESKTOP_USER (default nobody).
#
# CMD sees DESKTOP and DESKTOP_START_SECONDS (how long the session took to be ready).
# The exit status is CMD's, or 125 when the session could not be started.
set -u
[ $# -ge 2 ] || { echo "usage: $0 DESKTOP CMD [ARGS...]" >&2; exit 2; }
DESKTOP=$1
shift
export DESKTOP
case $DESKTOP in sway | gnome*) [ "$(id -u)" -eq 0 ] && as_user=1 ;; esac
if [ -n "${as_user:-}" ]; then
    # gnome-shell asks logind about seats; an empty private system bus, where this folder
    # exists, has it fall back to a plain X11 session.
    mkdir -p /run/systemd/seats
    user=${DESKTOP_USER:-nobody}
    exec setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups \
        env HOME=/tmp sh "$0" "$DESKTOP" "$@"
fi

. "$(cd "$(dirname "$0")" && pwd)/session-common.sh"
wait_limit=1200 # 60 s: desktops start slowly on a loaded machine

work=$(mktemp -d "${TMPDIR:-/tmp}/desktop.XXXXXX") || exit 125
chmod 755 "$work"
pids=""
started_at=$(date +%s.%N)

# Latest first: the clients, then the bus and the display.
stop() { stop_processes $pids; }

fail() {
    echo "with-desktop: $1" >&2
    tail -n 20 "$work"/*.log >&2
    exit 125
}

# Starts NAME (its log is NAME.log) in the background.
run() {
    name=$1
    shift
    "$@" >"$work/$name.log" 2>&1 &
    pids="$! $pids"
}

started() { [ -s "$1" ]; }
owned() { gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true; }
# Activation by name, as the first Notify of any client would do it.
activated() { gdbus call --session --dest org.freedesktop.Notifications \
    --object-path /org/freedesktop/Notifications \
    --method org.freedesktop.Notifications.GetServerInformation >/dev/null 2>&1; }

# A bus of TYPE (session or system) whose address is in $work/TYPE, activating the
# services copied into $work/TYPE-services.
start_bus() {
    mkdir -p "$work/$1-services"
    cat >"$work/$1.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>$1</type>
  <listen>unix:dir=$work</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$work/$1-services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
    dbus-daemon --nofork --config-file="$work/$1.conf" --print-address=5 \
        5>"$work/$1" >"$work/$1-bus.log" 2>&1 &
    pids="$! $pids"
    wait_until started "$work/$1" || fail "the $1 bus did not start"
}

# Copies the session services named into the private bus's folder.
services() {
    for name in "$@"; do
        cp "/usr/share/dbus-1/services/$name.service" "$work/session-services/" ||
            fail "no D-Bus service $name"
    done
}

start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
        3>"$work/display" >"$work/xvfb.log" 2>&1 &
    pids="$! $pids"
    wait_until started "$work/display" || fail "Xvfb did not start"
    DISPLAY=":$(head -n 1 "$work/display")"
    export DISPLAY
}

start_session() {
    start_bus session
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/session")
    XDG_CONFIG_HOME="$work/config"
    XDG_CACHE_HOME="$work/cache"
    XDG_DATA_HOME="$work/data"
    XDG_RUNTIME_DIR="$work/runtime"
    NO_AT_BRIDGE=1
    export DBUS_SESSION_BUS_ADDRESS XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME \
        XDG_RUNTIME_DIR NO_AT_BRIDGE
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
}

start_plasma() {
    start_xvfb
    start_session
    # kded5 serves the tray watcher and plasmashell wants the activity manager; the only
    # notification server is plasmashell itself.
    services org.kde.kded5 org.kde.ActivityManager org.kde.kglobalaccel
    XDG_CURRENT_DESKTOP=KDE
    KDE_FULL_SESSION=true
    KDE_SESSION_VERSION=5
    export XDG_CURRENT_DESKTOP KDE_FULL_SESSION KDE_SESSION_VERSION
    run kwin kwin_x11
    run kded kded5
    wait_until owned org.kde.StatusNotifierWatcher || fail "kded5 serves no StatusNotifierWatcher"
    run plasmashell plasmashell --no-respawn
    wait_until host_registered || fail "plasmashell registered no StatusNotifierHost"
    wait_until owned org.freedesktop.Notifications || fail "plasmashell serves no notifications"
}

start_gnome() {
    start_xvfb
    start_session
    [ -d /run/systemd/seats ] || fail "gnome-shell needs /run/systemd/seats"
    start_bus system
    DBUS_SYSTEM_BUS_ADDRESS=$(head -n 1 "$work/system")
    export DBUS_SYSTEM_BUS_ADDRESS
    # gjs runs the service that keeps notifications of programs that have gone.
    services org.gnome.Shell.Notifications
    XDG_CURRENT_DESKTOP=GNOME
    XDG_SESSION_TYPE=x11
    GSETTINGS_BACKEND=keyfile
    export XDG_CURRENT_DESKTOP XDG_SESSION_TYPE GSETTINGS_BACKEND
    mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings"
    extensions="[]"
    [ "$DESKTOP" = gnome-appindicator ] && extensions="['ubuntu-appindicators@ubuntu.com']"
    cat >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile" <<EOF
[org/gnome/shell]
enabled-extensions=$extensions
welcome-dialog-last-shown-version='999'

[org/gnome/desktop/screensaver]
lock-enabled=false

[org/gnome/desktop/session]
idle-delay=uint32 0
EOF
    # Without a display manager the shell warns once that it cannot lock the screen.
    mkdir -p "$XDG_DATA_HOME/gnome-shell"
    touch "$XDG_DATA_HOME/gnome-shell/lock-warning-shown"
    # Unsafe mode lets the tests ask the shell what it shows (org.gnome.Shell.Eval).
    run gnome-shell gnome-shell --x11 --unsafe-mode
    wait_until owned org.freedesktop.Notifications || fail "gnome-shell serves no notifications"
    wait_until gnome_started || fail "gnome-shell did not finish starting"
    if [ "$DESKTOP" = gnome-appindicator ]; then
        wait_until host_registered || fail "the AppIndicator extension registered no host"
    fi
}
gnome_started() {
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.gnome.Shell.Eval '!Main.layoutManager._startingUp' 2>/dev/null |
        grep -q "(true, 'true')"
}

start_lxqt() {
    start_xvfb
    start_session
    XDG_CURRENT_DESKTOP=LXQt
    export XDG_CURRENT_DESKTOP
    mkdir -p "$XDG_CONFIG_HOME/lxqt"
    cat >"$XDG_CONFIG_HOME/lxqt/panel.conf" <<EOF
[General]
__userfile__=true
panels=panel1

[panel1]
plugins=statusnotifier
position=Bottom
alignment=-1
panelSize=32

[statusnotifier]
type=statusnotifier
EOF
    run openbox openbox
    run notificationd lxqt-notificationd
    run panel lxqt-panel
    wait_until host_registered || fail "lxqt-panel registered no StatusNotifierHost"
    wait_until owned org.freedesktop.Notifications || fail "lxqt-notificationd did not start"
}

start_sway() {
    start_session
    services fr.emersion.mako
    XDG_CURRENT_DESKTOP=sway
    WLR_BACKENDS=headless
    WLR_LIBINPUT_NO_DEVICES=1
    WLR_RENDERER=pixman
    QT_QPA_PLATFORM=wayland
    export XDG_CURRENT_DESKTOP WLR_BACKENDS WLR_LIBINPUT_NO_DEVICES WLR_RENDERER QT_QPA_PLATFORM
    mkdir -p "$XDG_CONFIG_HOME/sway" "$XDG_CONFIG_HOME/waybar"
    cat >"$XDG_CONFIG_HOME/sway/config" <<EOF
xwayland disable
output HEADLESS-1 resolution 1024x768
bar swaybar_command waybar
EOF
    cat >"$XDG_CONFIG_HOME/waybar/config" <<EOF
{ "layer": "top", "position": "bottom", "height": 32, "modules-right": ["tray"] }
EOF
    run sway sway
    wait_until sway_socket || fail "sway did not start"
    # A full path: programs may be given a runtime folder of their own.
    WAYLAND_DISPLAY=$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY
    export WAYLAND_DISPLAY
    # mako is started by the bus, which began before the compositor.
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.UpdateActivationEnvironment \
        "{'WAYLAND_DISPLAY': '$WAYLAND_DISPLAY', 'XDG_RUNTIME_DIR': '$XDG_RUNTIME_DIR'}" \
        >/dev/null || fail "the bus took no activation environment"
    wait_until host_registered || fail "waybar registered no StatusNotifierHost"
    wait_until activated || fail "mako did not start"
}
sway_socket() {
    WAYLAND_DISPLAY=$(cd "$XDG_RUNTIME_DIR" && ls wayland-* 2>/dev/null | grep -v lock | head -n 1)
    [ -n "$WAYLAND_DISPLAY" ]
}

case $DESKTOP in
plasma) start_plasma ;;
gnome | gnome-appindicator) start_gnome ;;
lxqt) start_lxqt ;;
sway) start_sway ;;
bare)
    start_xvfb
    start_session
    ;;
*) fail "unknown desktop $DESKTOP" ;;
esac

DESKTOP_START_SECONDS=$(awk -v t0="$started_at" -v t1="$(date +%s.%N)" \
    'BEGIN { printf "%.1f", t1 - t0 }')
export DESKTOP_START_SECONDS
echo "with-desktop: $DESKTOP ready after ${DESKTOP_START_SECONDS}s" >&2

run_command "$@"
