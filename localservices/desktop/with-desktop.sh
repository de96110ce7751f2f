#!/bin/sh
# Runs a command inside one desktop's session on a private display and session bus, then
# tears it all down. Usage: with-desktop.sh DESKTOP CMD [ARGS...], where DESKTOP is one of
#   plasma              plasmashell with kwin_x11 and kded5 (tray watcher) on Xvfb
#   gnome               gnome-shell --x11 on Xvfb: a notification server but no tray
#   gnome-appindicator  the same with the AppIndicator extension, which brings a tray
#   lxqt                lxqt-panel (statusnotifier plugin), lxqt-notificationd and openbox
#   xfce                xfce4-panel (systray plugin) and xfce4-notifyd on Xvfb
#   xfce-dunst          the same panel with dunst
#   xfce-none           the same panel without a notification server
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
        sh "$0" "$DESKTOP" "$@"
fi

. "$(cd "$(dirname "$0")" && pwd)/session-common.sh"
wait_limit=1200 # 60 s: desktops start slowly on a loaded machine

session_work desktop
started_at=$(date +%s.%N)

# Activation by name, as the first Notify of any client would do it.
activated() { gdbus call --session --dest org.freedesktop.Notifications \
    --object-path /org/freedesktop/Notifications \
    --method org.freedesktop.Notifications.GetServerInformation >/dev/null 2>&1; }

# Copies the session services named into the private bus's folder.
services() {
    for name in "$@"; do
        cp "/usr/share/dbus-1/services/$name.service" "$work/session-services/" ||
            fail "no D-Bus service $name"
    done
}

start_plasma() {
    start_xvfb 1024x768
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
    start_xvfb 1024x768
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
    start_xvfb 1024x768
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

start_xfce() {
    start_xvfb 1024x768
    start_session
    XDG_CURRENT_DESKTOP=XFCE
    export XDG_CURRENT_DESKTOP
    # xfconfd reads the panel's layout from here: only the systray plugin.
    channels="$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
    mkdir -p "$channels"
    cat >"$channels/xfce4-panel.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=8;x=512;y=752"/>
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
    run xfconfd "$xfconfd"
    wait_until owned org.xfce.Xfconf || fail "xfconfd did not start"
    run panel xfce4-panel --disable-wm-check
    case $DESKTOP in
    xfce)
        for notifyd in /usr/lib/*/xfce4/notifyd/xfce4-notifyd; do :; done
        run notifications "$notifyd"
        ;;
    xfce-dunst) run notifications dunst ;;
    esac
    if [ "$DESKTOP" != xfce-none ]; then
        wait_until owned org.freedesktop.Notifications || fail "no notification server started"
    fi
    wait_until host_registered || fail "xfce4-panel registered no StatusNotifierHost"
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
xfce | xfce-dunst | xfce-none) start_xfce ;;
sway) start_sway ;;
bare)
    start_xvfb 1024x768
    start_session
    ;;
*) fail "unknown desktop $DESKTOP" ;;
esac

DESKTOP_START_SECONDS=$(awk -v t0="$started_at" -v t1="$(date +%s.%N)" \
    'BEGIN { printf "%.1f", t1 - t0 }')
export DESKTOP_START_SECONDS
echo "with-desktop: $DESKTOP ready after ${DESKTOP_START_SECONDS}s" >&2

run_command "$@"
