#!/usr/bin/env bash
# Prints the benchmark figures (run by hand, not by CI). Arguments go to each benchmark program.
# Usage: benchmark.sh [engine|all] [arguments...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
which="${1:-all}"
[ $# -gt 0 ] && shift
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/fetch-ffmpeg.sh" win32-x64
bash "$root/scripts/build.sh" x86_64
tree="$root/build/x86_64"
export WINEPREFIX="$tree/wineprefix"
export VELMORA_OWN_DISPLAY=1
source "$root/scripts/wine-session.sh"
trap wine_session_stop EXIT
wine_session_start
for program in engine_benchmark program_benchmark; do
  [ "$which" = all ] || [ "${program%_benchmark}" = "$which" ] || continue
  exe="$tree/tests/benchmark/$program.exe"
  [ -f "$exe" ] || continue
  echo "== $program"
  "$tree/wine-run.sh" "$exe" "$@"
done
