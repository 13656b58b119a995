#!/usr/bin/env bash
# Builds plumet and runs the benchmarks (ctest label "perf") one at a time;
# each prints one "RESULT <name> ours=<ms> anchor=<ms> ratio=<ours/anchor>" line,
# or "<name> skipped: <why>" when an anchor (python3) is not installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
BUILD_DIR=$build "$root/scripts/build.sh"
ctest --test-dir "$build" -L perf -j 1 -V | tee "$build/bench.log" | grep -E 'RESULT | skipped: |anchor failed|tests passed|tests failed'
