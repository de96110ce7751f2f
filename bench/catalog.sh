#!/bin/sh
# Times the update check for catalogs of 1,000, 10,000 and 100,000 entries served by the
# bundled catalog server, and prints the 10k->100k time ratio (about 10 when linear) and
# the peak memory of each run. Usage: bench/catalog.sh [build-dir]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
cmake --build "$build" --target catalog_bench >/dev/null
bench="$build/bench/catalog_bench"
. "$here/localservices/start_catalog_server.sh"

work=$(mktemp -d)
server_pid=""
cleanup() {
    if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# Catalog entries of about 150 bytes; every entry is installed, every other one at the
# catalog's version, so half of them count.
python3 - "$work" <<'PY'
import os, sys
work = sys.argv[1]
for n in (1000, 10000, 100000):
    with open(os.path.join(work, "catalog-%d.xml" % n), "w") as f:
        f.write("<?xml version='1.0' encoding='UTF-8'?>\n<applications>\n")
        for i in range(n):
            f.write("  <application><platform>windows</platform>"
                    "<versionkey>SOFTWARE\\Bench\\App%d\\Version</versionkey>"
                    "<version>2.0.%d</version><corvantaversion>8.0+</corvantaversion>"
                    "</application>\n" % (i, i % 2))
        f.write("</applications>\n")
    with open(os.path.join(work, "registry-%d.ini" % n), "w") as f:
        f.write("[SOFTWARE\\Bench]\n")
        for i in range(n):
            f.write("App%d\\Version=\"2.0.0\"\n" % i)
PY

start_catalog_server "$work/server.out" --dir "$work" || exit 1

for n in 1000 10000 100000; do
    printf '%-7s entries, %6s KiB: ' "$n" "$(( $(wc -c <"$work/catalog-$n.xml") / 1024 ))"
    FRESHWELL_REGISTRY="$work/registry-$n.ini" \
        "$bench" "http://127.0.0.1:$port/catalog-$n.xml" 8.4 | tee "$work/result-$n"
done

ms10k=$(sed 's/.* ms=\([0-9]*\).*/\1/' "$work/result-10000")
ms100k=$(sed 's/.* ms=\([0-9]*\).*/\1/' "$work/result-100000")
awk -v a="$ms10k" -v b="$ms100k" \
    'BEGIN { if (a < 1) a = 1; printf "10k -> 100k time ratio: %.1f\n", b / a }'
