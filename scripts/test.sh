#!/bin/sh
# Sets up the machine, builds the project twice (plain and ASan+UBSan) and runs the
# whole test suite in both trees, then builds the Debian package and tests it (as root:
# it installs and purges the package), then replays the fuzz inputs and fuzzes each target
# briefly.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

./scripts/setup.sh
# The mingw Qt of the Windows build, made once per machine (about 20 minutes) before the
# suites run rather than while timed window tests share the cores with it.
./scripts/build-qt-mingw.sh >/dev/null

. ./scripts/sanitizer-env.sh

./scripts/build.sh build
(cd build && ctest --output-on-failure -j2)

./scripts/build.sh build-asan -DENABLE_SANITIZERS=ON
(cd build-asan && ctest --output-on-failure -j2)

./scripts/package.sh build-package
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO ./tests/package/package_test.sh build-package/corvanta-companions_*_amd64.deb

./scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
