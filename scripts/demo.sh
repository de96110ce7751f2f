#!/bin/sh
# Sets up the machine, builds, and shows getVantorel at work against the bundled
# AuthenticationService on loopback.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

./scripts/setup.sh
./scripts/build.sh build
