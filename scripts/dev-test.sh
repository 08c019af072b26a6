#!/usr/bin/env bash
# For developers: builds the 64-bit target in build/<name> and runs its tests (ctest arguments
# after the name, e.g. -R Engine) in that tree's own Wine prefix and display.
# Usage: dev-test.sh <name> [ctest arguments...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
name="${1:?usage: dev-test.sh <name> [ctest arguments...]}"
shift
tree="$root/build/$name"
cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
cmake --build "$tree"
export WINEPREFIX="$tree/wineprefix"
export VELMORA_OWN_DISPLAY=1
source "$root/scripts/wine-session.sh"
trap wine_session_stop EXIT
wine_session_start
ctest --test-dir "$tree" --output-on-failure "$@"
