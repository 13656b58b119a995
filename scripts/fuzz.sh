#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under ASan/UBSan in ./build-fuzz and
# runs each one for the given number of seconds (default 60).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
if [[ ! -f "$build/build.ninja" ]]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPLUMET_FUZZ=ON -DPLUMET_BUILD_TESTS=ON >/dev/null
fi
cmake -S "$root" -B "$build" -DPLUMET_FUZZ_SECONDS="$seconds" >/dev/null
targets=$(ctest --test-dir "$build" -N -L fuzz | awk '/Test +#/ {print $3}')
[[ -n "$targets" ]] || { echo "no fuzz targets"; exit 0; }
cmake --build "$build" --parallel "$(nproc)" --target $targets
ctest --test-dir "$build" --output-on-failure -L fuzz -j "$(nproc)"
