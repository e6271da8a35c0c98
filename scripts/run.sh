#!/usr/bin/env bash
# Builds the suite and starts it on the bundled RM7700 emulator: no radio needed.
# Extra arguments go to veltrane-diagnostics (see its --help).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
BUILD_DIR=${BUILD_DIR:-build} scripts/build.sh -DVELTRANE_TESTS=OFF -DVELTRANE_BENCH=OFF
exec "${BUILD_DIR:-build}/src/veltrane-diagnostics" --emulate "$@"
