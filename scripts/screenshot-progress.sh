#!/usr/bin/env bash
# Takes docs/progress-dialog.png: the progress dialog over the main window in the middle of a
# batch, in a Wine desktop (so both have decorated captions) on a display of its own, in a prefix
# of its own. The transcoder test double stands in for the transcoder and makes the second file
# slow, so the dialog is caught with that file's name and a running total on it.
# Usage: screenshot-progress.sh        (VELMORA_TREE=<build tree> to use another than build/x86_64)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tree="${VELMORA_TREE:-$root/build/x86_64}"
output="$root/docs/progress-dialog.png"

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
cmake --build "$tree" --target velmora fake_kalder velmora_progress_screenshot_driver

export WINEPREFIX="$tree/screenshot-prefix"
export VELMORA_OWN_DISPLAY=1
source "$root/scripts/wine-session.sh"
work="$(mktemp -d)"
stop() {
  wine_session_stop
  rm -rf "$work"
}
trap stop EXIT
wine_session_start

# Wine's own fonts (fonts-wine), put where this prefix surely finds them: the caption buttons are
# drawn with Marlett, and without it they show letters.
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true

# Program, test double and driver inside the prefix, at paths without spaces to quote.
drive_c="$WINEPREFIX/drive_c"
samples="$drive_c/users/Public/Music/Samples"
converted="$drive_c/users/Public/Music/Converted"
mkdir -p "$drive_c/Velmora/core" "$samples" "$converted"
cp "$tree/ui/main/velmora.exe" "$tree/tests/program/velmora_progress_screenshot_driver.exe" "$drive_c/Velmora/"
cp "$tree/tests/fake_kalder/fake_kalder.exe" "$drive_c/Velmora/core/kalder.exe"
rm -f "$samples/"* "$converted/"*
# Each source tells the test double how to behave: the first file goes by in a moment, the
# second takes half a minute.
quick=$'steps=10\ninterval_ms=30\n'
slow=$'steps=300\ninterval_ms=100\n'
printf '%s' "$quick" > "$samples/01 - Morning Light.flac"
printf '%s' "$slow" > "$samples/02 - Harbour Lights.flac"
for name in "03 - Night Train.ogg" "04 - Slow Rain.wav" "05 - Field Recording.m4a"; do
  printf '%s' "$quick" > "$samples/$name"
done
rm -f "$drive_c/Velmora/rect.txt"

wine explorer /desktop=Velmora,800x500 'C:\Velmora\velmora_progress_screenshot_driver.exe' \
  'C:\Velmora\velmora.exe' 'C:\users\Public\Music\Samples' 'C:\users\Public\Music\Converted' \
  'C:\Velmora\rect.txt' </dev/null >/dev/null 2>&1 &
for _ in $(seq 180); do
  [ -s "$drive_c/Velmora/rect.txt" ] && break
  sleep 0.5
done
[ -s "$drive_c/Velmora/rect.txt" ] || { echo "screenshot-progress.sh: the batch was not caught midway" >&2; exit 1; }
read -r x y width height < <(tr -d '\r' < "$drive_c/Velmora/rect.txt")
# Let the last update paint.
sleep 0.5

# Window coordinates are the Wine desktop's; add where that desktop lies on the display.
dx=0 dy=0
geometry="$(xdotool search --name 'Velmora - Wine desktop' getwindowgeometry --shell 2>/dev/null | head -n 3 || true)"
if [ -n "$geometry" ]; then
  dx="$(sed -n 's/^X=//p' <<<"$geometry")"
  dy="$(sed -n 's/^Y=//p' <<<"$geometry")"
fi
import -window root "$work/screen.png"
mkdir -p "$(dirname "$output")"
# ImageMagick's own convert, by its Debian path.
/usr/bin/convert "$work/screen.png" -crop "${width}x${height}+$((x + dx))+$((y + dy))" +repage "$output"
echo "wrote ${output#$root/} (${width}x${height})"
