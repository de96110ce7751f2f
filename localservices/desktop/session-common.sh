# Sourced by with-tray-host.sh and with-desktop.sh: the session's folder and private home,
# its processes and their teardown, waiting on a state, Xvfb, private buses, the tray host's
# registration and running the command in a process group of its own.

harness=$(basename "$0" .sh)
cmd_pid=""
pids="" # latest first: the clients, then the buses and the display
work=""
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The command's whole process group first, then the others, latest first; then $work.
stop() {
    [ -n "$cmd_pid" ] && kill -TERM -- "-$cmd_pid" 2>/dev/null && wait "$cmd_pid" 2>/dev/null
    for pid in $pids; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    [ -n "$work" ] && rm -rf "$work"
}

fail() {
    echo "$harness: $1" >&2
    [ -n "$work" ] && tail -n 20 "$work"/*.log >&2
    exit 125
}

# Starts NAME (its log is NAME.log) in the background.
run() {
    name=$1
    shift
    "$@" >"$work/$name.log" 2>&1 &
    pids="$! $pids"
}

# A server writes its address to FILE once it accepts connections.
started() { [ -s "$1" ]; }
owned() { gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true; }

# Polls CONDITION (a command) every 50 ms, at most $wait_limit times (default 200: 10 s).
wait_until() {
    tries=0
    until "$@"; do
        [ $tries -lt "${wait_limit:-200}" ] || return 1
        tries=$((tries + 1))
        sleep 0.05
    done
}

# The session's folder $work (named after PREFIX), where everything it writes stays: a home
# folder of its own with the XDG folders in it, set before any bus starts so that the
# services it activates inherit them.
session_work() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX") || exit 125
    chmod 755 "$work"
    HOME=$work/home
    XDG_CONFIG_HOME=$HOME/.config
    XDG_CACHE_HOME=$HOME/.cache
    XDG_DATA_HOME=$HOME/.local/share
    XDG_STATE_HOME=$HOME/.local/state
    XDG_RUNTIME_DIR=$work/runtime
    export HOME XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME XDG_RUNTIME_DIR
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME" \
        "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
}

# A bus of TYPE (session or system) whose address is in $work/TYPE, activating only the
# services copied into $work/TYPE-services.
start_bus() {
    mkdir -p "$work/$1-services"
    cat >"$work/$1.conf" <<CONF
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
CONF
    dbus-daemon --nofork --config-file="$work/$1.conf" --print-address=5 \
        5>"$work/$1" >"$work/$1-bus.log" 2>&1 &
    pids="$! $pids"
    wait_until started "$work/$1" || fail "the $1 bus did not start"
}

# The private session bus.
start_session() {
    start_bus session
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/session")
    NO_AT_BRIDGE=1
    export DBUS_SESSION_BUS_ADDRESS NO_AT_BRIDGE
}

# An X server of SIZE (WxH) on a display it picks itself, so that any number of runs can
# share a machine.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset \
        3>"$work/display" >"$work/xvfb.log" 2>&1 &
    pids="$! $pids"
    wait_until started "$work/display" || fail "Xvfb did not start"
    DISPLAY=":$(head -n 1 "$work/display")"
    export DISPLAY
}

host_registered() {
    gdbus call --session --dest org.kde.StatusNotifierWatcher \
        --object-path /StatusNotifierWatcher --method org.freedesktop.DBus.Properties.Get \
        org.kde.StatusNotifierWatcher IsStatusNotifierHostRegistered 2>/dev/null | grep -q true
}

# Runs CMD [ARGS...] and exits with its status.
run_command() {
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
}
