#!/usr/bin/env bash
# Soak test (not part of CI): builds the suite and runs it for MINUTES (default 30)
# against the emulator with faults injected at random, then prints the longest
# event-loop gap, memory growth and records lost. Usage: scripts/soak.sh [MINUTES] [SEED]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
scripts/build.sh -DVELTRANE_TESTS=ON -DVELTRANE_BENCH=ON >/dev/null
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
"${BUILD_DIR:-build}/bench/veltrane-soak" "${1:-30}" "${2:-1}"
