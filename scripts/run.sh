#!/usr/bin/env bash
# Builds Velmora and starts it under Wine on your display, with the real transcoder beside it,
# in a Wine prefix of its own (build/x86_64/run-prefix; your ~/.wine is never touched).
# Usage: scripts/run.sh
#   Without a display:  Xvfb :1 & DISPLAY=:1 scripts/run.sh
#   or                  VELMORA_HEADLESS=1 scripts/run.sh   (starts an Xvfb display of its own)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

if [ -z "${DISPLAY:-}" ] && [ "${VELMORA_HEADLESS:-0}" != 1 ]; then
  cat >&2 <<'TEXT'
run.sh: no display to show the window on (DISPLAY is not set).
Give it one, for example:   Xvfb :1 & DISPLAY=:1 scripts/run.sh
or let it start its own:    VELMORA_HEADLESS=1 scripts/run.sh
TEXT
  exit 1
fi

bash scripts/install-deps.sh
bash scripts/fetch-ffmpeg.sh win32-x64
bash scripts/build.sh x86_64

# The program looks for its transcoder in core\kalder.exe beside its own executable.
program_dir="$root/build/x86_64/ui/main"
mkdir -p "$program_dir/core"
cp -u "$root/.cache/ffmpeg/win32-x64/ffmpeg.exe" "$program_dir/core/kalder.exe"

export WINEPREFIX="$root/build/x86_64/run-prefix"
if [ "${VELMORA_HEADLESS:-0}" = 1 ]; then
  export VELMORA_OWN_DISPLAY=1
fi
source scripts/wine-session.sh
trap wine_session_stop EXIT
wine_session_start
echo "Starting Velmora on display $DISPLAY (Wine prefix ${WINEPREFIX#$root/})"
cd "$program_dir"
wine velmora.exe
