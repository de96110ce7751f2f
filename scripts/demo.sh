#!/bin/sh
# Sets up the machine, builds, and shows getVantorel at work against the bundled
# AuthenticationService on loopback.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

./scripts/setup.sh
./scripts/build.sh build

# getVantorel against the bundled AuthenticationService, on the port build.sh baked in.
port=${GETVANTOREL_PORT:-18431}
service_log=$(mktemp)
./build/localservices/authentication_service "$port" >"$service_log" &
service_pid=$!
stop_service() {
    kill "$service_pid" 2>/dev/null || true
    wait "$service_pid" 2>/dev/null || true
    rm -f "$service_log"
}
trap stop_service EXIT
trap 'exit 130' INT TERM
tries=0
until grep -q listening "$service_log"; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ] || ! kill -0 "$service_pid" 2>/dev/null; then
        echo "demo: the AuthenticationService did not start on port $port" >&2
        exit 1
    fi
    sleep 0.1
done
echo "getVantorel 9.1 server oltp:"
./build/tuning/getVantorel 9.1 server oltp
stop_service
trap - EXIT INT TERM

# Freshwell on the bundled catalog server: tray icon, balloon, a screenshot, then ended.
# Runs on a private Xvfb display with a tray host unless DISPLAY is set.
./scripts/demo_freshwell.sh build build/freshwell-demo.png
