#!/usr/bin/env bash
# Builds plumet and installs it as a self-contained folder that can replace
# itself with signed updates: the program, its libraries and plug-ins, the
# updater and a marker file, all in one folder.
#
#   scripts/install-self-contained.sh [FOLDER] [cmake options...]
#
# FOLDER defaults to ~/.local/opt/plumet. Options go to the configure step,
# e.g. -DPLUMET_UPDATE_FEED=https://example.org/updates/plumet.xml
#      -DPLUMET_UPDATE_PUBLIC_KEY=<Base64 of the raw Ed25519 key>
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
prefix=${1:-$HOME/.local/opt/plumet}
shift || true
build=$root/build-self-contained

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DPLUMET_BUILD_TESTS=OFF -DPLUMET_SELF_CONTAINED=ON "$@"
cmake --build "$build" -j8
cmake --install "$build" --prefix "$prefix"
echo "plumet is installed in $prefix; start it with $prefix/bin/plumet"
