#!/bin/sh
# Sets up the machine, builds, and shows getVantorel at work against the bundled
# AuthenticationService on loopback.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

./scripts/setup.sh
./scripts/build.sh build

# Freshwell on the bundled catalog server: tray icon, balloon, a screenshot, then ended.
# Runs on a private Xvfb display with a tray host unless DISPLAY is set.
./scripts/demo_freshwell.sh build build/freshwell-demo.png
