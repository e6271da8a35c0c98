#!/usr/bin/env bash
# Builds the suite and prints every benchmark figure with its goal.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
scripts/build.sh -DVELTRANE_TESTS=ON -DVELTRANE_BENCH=ON
export QT_QPA_PLATFORM=offscreen
build=${BUILD_DIR:-build}
"$build/bench/bench_exchange"
"$build/bench/bench_hopbin_pipeline"
"$build/bench/bench_spectrum_sweep"
"$build/bench/bench_gui" pipeline
"$build/bench/bench_gui" startup 60
"$build/bench/bench_recording" all
"$build/bench/bench_gui" query
