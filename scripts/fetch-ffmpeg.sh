#!/usr/bin/env bash
# Fetches a Windows FFmpeg build from the npm registry into .cache/ffmpeg/<package>/ffmpeg.exe.
# Usage: fetch-ffmpeg.sh [win32-x64|win32-ia32]...   (default: win32-x64)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
version=4.1.0
[ $# -gt 0 ] || set -- win32-x64

for flavour in "$@"; do
  target="$root/.cache/ffmpeg/$flavour"
  [ -f "$target/ffmpeg.exe" ] && continue
  work="$(mktemp -d)"
  (cd "$work" && npm pack --silent "@ffmpeg-installer/$flavour@$version" >/dev/null)
  tar -xzf "$work"/*.tgz -C "$work"
  mkdir -p "$target"
  cp "$work/package/ffmpeg.exe" "$target/ffmpeg.exe"
  for extra in LICENSE README.md package.json; do
    [ -f "$work/package/$extra" ] && cp "$work/package/$extra" "$target/"
  done
  rm -rf "$work"
  echo "fetched $flavour FFmpeg into ${target#$root/}"
done
