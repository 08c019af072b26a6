#!/usr/bin/env bash
# Takes docs/main-window.png: the main window with a few files in its list, in a Wine desktop
# (so it has a decorated caption) on a display of its own, in a prefix of its own.
# Usage: screenshot-main.sh        (VELMORA_TREE=<build tree> to use another than build/x86_64)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tree="${VELMORA_TREE:-$root/build/x86_64}"
output="$root/docs/main-window.png"

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
cmake --build "$tree" --target velmora velmora_screenshot_driver

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

# Program, driver and sample sources inside the prefix, at paths without spaces to quote.
drive_c="$WINEPREFIX/drive_c"
mkdir -p "$drive_c/Velmora" "$drive_c/users/Public/Music/Samples"
cp "$tree/ui/main/velmora.exe" "$tree/tests/ui_main/velmora_screenshot_driver.exe" "$drive_c/Velmora/"
rm -f "$drive_c/users/Public/Music/Samples/"*
for name in "01 - Morning Light.flac" "02 - Harbour Lights.mp3" "03 - Night Train.ogg" \
            "04 - Slow Rain.wav" "05 - Field Recording.m4a"; do
  : > "$drive_c/users/Public/Music/Samples/$name"
done
wine reg add 'HKCU\Software\Orvanta\wav' /v out_dir /t REG_SZ /d 'C:\users\Public\Music\Converted' /f \
  </dev/null >/dev/null 2>&1
rm -f "$drive_c/Velmora/rect.txt"

wine explorer /desktop=Velmora,800x500 'C:\Velmora\velmora_screenshot_driver.exe' 'C:\Velmora\velmora.exe' \
  'C:\users\Public\Music\Samples' 'C:\Velmora\rect.txt' </dev/null >/dev/null 2>&1 &
for _ in $(seq 120); do
  [ -s "$drive_c/Velmora/rect.txt" ] && break
  sleep 0.5
done
[ -s "$drive_c/Velmora/rect.txt" ] || { echo "screenshot-main.sh: the window did not come up" >&2; exit 1; }
read -r x y width height count < <(tr -d '\r' < "$drive_c/Velmora/rect.txt")
[ "$count" -gt 0 ] || { echo "screenshot-main.sh: no file reached the list" >&2; exit 1; }
sleep 1

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
echo "wrote ${output#$root/} (${width}x${height}, $count files listed)"
