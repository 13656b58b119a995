#!/usr/bin/env bash
# Installs what is missing, builds plumet and runs every test. The fuzz targets
# are built with clang and run first, each for a bounded time under ASan/UBSan
# (PLUMET_SKIP_FUZZ=1 skips them); then the whole suite runs. Benchmarks (label
# "perf") are left out: run them with scripts/bench.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
BUILD_DIR=$build "$root/scripts/build.sh"

if [[ "${PLUMET_SKIP_FUZZ:-0}" != 1 ]]; then
  "$root/scripts/fuzz.sh" "${PLUMET_FUZZ_SECONDS:-15}"
fi

# Tests that need the Secret Service start a bus and a keyring daemon of their
# own. The rest share this bus, which starts no service by activation: a stray
# keychain call fails instead of starting the desktop's keyring in the real home.
dbus-run-session --config-file="$root/tests/support/test-session-bus.conf" -- ctest --test-dir "$build" --output-on-failure -LE 'perf|fuzz' -j "$(nproc)"
