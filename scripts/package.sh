#!/bin/sh
# Builds the Debian package of both programs, with the product defaults (endpoint,
# namespace, catalog URL), into the build tree.
# Usage: scripts/package.sh [build-dir]   (default: build-package)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$here/build-package}
# Debian's hardening flags (fortified libc calls, stack protector, read-only relocations).
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
# -U drops settings a test tree may have cached, so the defaults apply again.
cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -U 'GETVANTOREL_*' -U FRESHWELL_CATALOG_URL -U 'ENABLE_*' \
    -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_SYSCONFDIR=/etc \
    -DCMAKE_C_FLAGS="$(flags CPPFLAGS) $(flags CFLAGS)" \
    -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)"
cmake --build "$dir"
(cd "$dir" && cpack -G DEB)
