#!/bin/sh
# Runs the whole suite of both trees (plain and ASan+UBSan) RUNS times in a row (default 10),
# each time from the state of a first run: what desktops and Wine leave behind is deleted
# first, so a run cannot pass only because an earlier one prepared the machine.
# Usage: scripts/clean-state-runs.sh [RUNS]; the trees are built (scripts/build.sh) if needed.
#
# Deleted before each run: ~/.cache but for the build cache (corvanta-companions), the desktop
# state that sessions used to write into ~/.config and ~/.local/share, and the trees' Wine
# prefixes. Prints one line per run and tree; exits 1 if any run failed.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
runs=${1:-10}
. ./scripts/sanitizer-env.sh

[ -f build/build.ninja ] || ./scripts/build.sh build >/dev/null || exit 1
[ -f build-asan/build.ninja ] ||
    ./scripts/build.sh build-asan -DENABLE_SANITIZERS=ON >/dev/null || exit 1

forget_state() {
    find "$HOME/.cache" -mindepth 1 -maxdepth 1 ! -name corvanta-companions \
        -exec rm -rf {} + 2>/dev/null
    for state in .config/kactivitymanagerdrc .config/kglobalshortcutsrc .config/menus \
        .local/share/kactivitymanagerd .local/share/applications \
        .local/share/desktop-directories .local/share/mime; do
        rm -rf "${HOME:?}/$state"
    done
    rm -rf build*/tests/windows/wineprefix*
}

failed=0
run=1
while [ "$run" -le "$runs" ]; do
    for tree in build build-asan; do
        forget_state
        started=$(date +%s)
        if (cd "$tree" && ctest -j2 --output-on-failure >"ctest-run-$run.log" 2>&1); then
            result=passed
        else
            result=FAILED
            failed=1
        fi
        echo "run $run $tree: $result in $(($(date +%s) - started)) s" \
            "($(grep -o '[0-9]* tests failed out of [0-9]*' "$tree/ctest-run-$run.log"))"
    done
    run=$((run + 1))
done
exit $failed
