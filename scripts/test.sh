#!/usr/bin/env bash
# The whole test suite from a fresh clone: installs what is missing, builds both targets and
# runs every test program of the 64-bit build under Wine, in a prefix made for this run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh
bash scripts/fetch-ffmpeg.sh win32-x64 win32-ia32
bash scripts/build.sh x86_64 i686

export WINEPREFIX="$root/build/x86_64/wineprefix"
rm -rf "$WINEPREFIX"
export VELMORA_OWN_DISPLAY=1
source scripts/wine-session.sh
trap wine_session_stop EXIT
wine_session_start

ctest --test-dir build/x86_64 --output-on-failure -j2 "$@"
