# Sourced by with-tray-host.sh and with-desktop.sh: waiting on a state, the tray host's
# registration, running the command in a process group of its own and ending it all. The
# caller defines stop(), which calls stop_processes with its own processes, latest first.

cmd_pid=""
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The command's whole process group first, then PIDS in the order given; then $work.
stop_processes() {
    [ -n "$cmd_pid" ] && kill -TERM -- "-$cmd_pid" 2>/dev/null && wait "$cmd_pid" 2>/dev/null
    for pid in "$@"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "${work:-}"
}

# Polls CONDITION (a command) every 50 ms, at most $wait_limit times (default 200: 10 s).
wait_until() {
    tries=0
    until "$@"; do
        [ $tries -lt "${wait_limit:-200}" ] || return 1
        tries=$((tries + 1))
        sleep 0.05
    done
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
