#!/usr/bin/env bash
# Installs what is missing, builds plumet and runs every test (benchmarks, label
# "perf", are left out: run them with scripts/bench.sh). Then builds the fuzz
# targets with clang and runs each for a bounded time under ASan/UBSan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
BUILD_DIR=$build "$root/scripts/build.sh"

# Tests that need the Secret Service get a private session bus; the keyring
# daemon is started inside it by the tests that use it.
dbus-run-session -- ctest --test-dir "$build" --output-on-failure -LE 'perf|fuzz' -j "$(nproc)"

if [[ "${PLUMET_SKIP_FUZZ:-0}" != 1 ]]; then
  "$root/scripts/fuzz.sh" "${PLUMET_FUZZ_SECONDS:-15}"
fi
