#!/usr/bin/env bash
# The monkey test for longer than CI runs it (CI: 60 s, seed 1): builds the test and
# drives the whole suite with random real input and radio faults for MINUTES
# (default 10) from SEED (default 1). A failed invariant or a crash prints the seed
# and the actions so far; the whole action list is kept in monkey-SEED.log.
# Usage: scripts/monkey.sh [MINUTES] [SEED]
# VELTRANE_MONKEY_KEEP_GOING=1 carries on after a failure; VELTRANE_MONKEY_SKIP names
# action classes to leave out (the names in the action table of tests/monkey/monkey_test.cpp).
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-10}
seed=${2:-1}
scripts/deps.sh test
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DVELTRANE_TESTS=ON >/dev/null
cmake --build "$build_dir" --target test_monkey -j "$(nproc)"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
fi
chmod 0700 "$XDG_RUNTIME_DIR"
VELTRANE_MONKEY_SECONDS=$(awk -v m="$minutes" 'BEGIN { print m * 60 }') \
    VELTRANE_MONKEY_SEED=$seed \
    VELTRANE_MONKEY_LOG=${VELTRANE_MONKEY_LOG:-$PWD/monkey-$seed.log} \
    "$build_dir/tests/monkey/test_monkey"
