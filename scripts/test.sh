#!/usr/bin/env bash
# Builds the suite and runs every test (headless). The tests drive the suite's real
# serial and TCP code against the bundled RM7700 emulator.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
scripts/build.sh -DVELTRANE_TESTS=ON -DVELTRANE_BENCH=ON "$@"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure -j 2
