#!/usr/bin/env bash
# Configures and builds one or both targets: build.sh [x86_64|i686]...
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
[ $# -gt 0 ] || set -- x86_64 i686
for arch in "$@"; do
  cmake -S "$root" -B "$root/build/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" >/dev/null
  cmake --build "$root/build/$arch"
done
