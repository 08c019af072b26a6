#!/usr/bin/env bash
# Builds dist/velmora-1.0-win32.zip: the 32-bit velmora.exe, a 32-bit FFmpeg as core\kalder.exe
# with its licence and where its source is found, and a README for Windows users.
# With --check, only checks an existing zip's contents (the test suite does that).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
zip_path="$root/dist/velmora-1.0-win32.zip"

# The machine type in a PE file's header: 14c is 32-bit x86.
pe_machine() {
  local offset
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}

check() {
  local listing work
  [ -f "$zip_path" ] || { echo "missing $zip_path"; return 1; }
  listing=$(unzip -Z1 "$zip_path" | sort | tr '\n' ' ')
  expected="README.txt core/ core/FFmpeg-LICENSE.txt core/FFmpeg-SOURCE.txt core/kalder.exe velmora.exe "
  [ "$listing" = "$expected" ] || { echo "unexpected contents: $listing"; return 1; }
  work=$(mktemp -d)
  trap 'rm -rf "$work"' RETURN
  unzip -q "$zip_path" -d "$work"
  for exe in velmora.exe core/kalder.exe; do
    [ "$(pe_machine "$work/$exe")" = 014c ] || { echo "$exe is not a 32-bit x86 program"; return 1; }
  done
  grep -q libvo_aacenc "$work/README.txt" || { echo "README.txt does not mention libvo_aacenc"; return 1; }
  grep -q 'core\\kalder.exe' "$work/README.txt" || { echo "README.txt does not say where the transcoder lives"; return 1; }
  grep -q 'GNU GENERAL PUBLIC LICENSE' "$work/core/FFmpeg-LICENSE.txt" || { echo "no licence text"; return 1; }
  grep -q 'f22fcd4' "$work/core/FFmpeg-SOURCE.txt" || { echo "no source revision"; return 1; }
  echo "release zip ok: $listing"
}

if [ "${1:-}" = --check ]; then
  check
  exit
fi

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/fetch-ffmpeg.sh" win32-ia32
cmake -S "$root" -B "$root/build/i686" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" >/dev/null
cmake --build "$root/build/i686" --target velmora

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/core"
cp "$root/build/i686/ui/main/velmora.exe" "$stage/velmora.exe"
cp "$root/.cache/ffmpeg/win32-ia32/ffmpeg.exe" "$stage/core/kalder.exe"
cp /usr/share/common-licenses/GPL-3 "$stage/core/FFmpeg-LICENSE.txt"
configuration=$(strings "$stage/core/kalder.exe" | grep -m1 -- '--enable-gpl' || true)
cat > "$stage/core/FFmpeg-SOURCE.txt" <<NOTE
core\\kalder.exe is FFmpeg, a 32-bit Windows build (npm package @ffmpeg-installer/win32-ia32
4.1.0), built from the FFmpeg source at git revision f22fcd4 of 2018-12-17. FFmpeg is free
software; this build is distributed under the GNU General Public License version 3, whose text
is in FFmpeg-LICENSE.txt beside this file.

The complete source of FFmpeg, that revision included, is available from the FFmpeg project:
https://ffmpeg.org/download.html (git: https://git.ffmpeg.org/ffmpeg.git, revision f22fcd4).

Configuration of this build:
$configuration
NOTE
sed 's/$/\r/' "$root/scripts/release-readme.txt" > "$stage/README.txt"
sed -i 's/$/\r/' "$stage/core/FFmpeg-SOURCE.txt"
mkdir -p "$root/dist"
rm -f "$zip_path"
(cd "$stage" && zip -q -X -r "$zip_path" README.txt velmora.exe core)
check
