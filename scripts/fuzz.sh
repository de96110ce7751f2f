#!/bin/sh
# Builds the fuzzing tree (clang, libFuzzer, ASan+UBSan) in build-fuzz, replays every saved
# corpus and regression input, then fuzzes each target for SECONDS (default 20) and prints
# how many inputs each one ran. See docs/fuzzing.md.
# Usage: scripts/fuzz.sh [SECONDS] [ctest arguments, e.g. -R hex_text]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
[ $# -gt 0 ] && shift
dir="$here/build-fuzz"

cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DENABLE_FUZZING=ON -DFUZZ_SECONDS="$seconds"
cmake --build "$dir" --target fuzzers -j 2

status=0
(cd "$dir" && ctest --output-on-failure -j2 "$@") || status=$?
# libFuzzer's final statistics, one line per target that fuzzed.
awk -v s="$seconds" '/^[0-9]+\/[0-9]+ Test: fuzz_/ { t = substr($3, 6) }
    /^stat::number_of_executed_units:/ && t !~ /^replay_/ { print t ": " $2 " executions in " s " s" }' \
    "$dir/Testing/Temporary/LastTest.log"
exit $status
