#!/bin/sh
# Configures and builds one tree. Usage: scripts/build.sh <build-dir> [extra cmake args...]
# The trees made by the demo and the tests point getVantorel at the bundled service
# on loopback; a tree configured without these settings keeps the product defaults.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGETVANTOREL_ENDPOINT="http://127.0.0.1:${GETVANTOREL_PORT:-18431}/authws/services/AuthenticationService" \
    "$@"
cmake --build "$dir"
