# Sourced by the scripts that need the bundled catalog server: starts it on a free loopback
# port, sets server_pid and port, and fails when it does not say where it listens.
# Usage: start_catalog_server OUTPUT_FILE [catalog_server.py options...]
start_catalog_server() {
    output=$1
    shift
    python3 "$here/localservices/catalog_server.py" --port 0 "$@" >"$output" &
    server_pid=$!
    for _ in $(seq 100); do
        port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$output")
        [ -n "$port" ] && return 0
        sleep 0.05
    done
    echo "$0: the catalog server did not start" >&2
    return 1
}
