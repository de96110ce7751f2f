#!/bin/sh
# Idle resident memory and CPU wake-ups of Freshwell waiting for its first check, next to
# a minimal Qt 6 tray program, over a period (60 s unless given).
#
# Usage: bench/idle.sh [build-dir [seconds]]
#
# Needs a built tree (scripts/build.sh build). Runs on a private Xvfb display with a tray
# host unless DISPLAY is set.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
seconds=${2:-60}

for program in notifier/Freshwell bench/tray_probe; do
    if [ ! -x "$build/$program" ]; then
        echo "bench_idle: $build/$program is missing; build the tree first" >&2
        exit 1
    fi
done

set -- python3 "$here/bench/idle.py" "$build/notifier/Freshwell" \
    "$build/bench/tray_probe" "$seconds"
if [ -z "${DISPLAY:-}" ]; then
    exec "$here/localservices/desktop/with-tray-host.sh" "$@"
fi
exec "$@"
