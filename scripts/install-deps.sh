#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing.
# Needs root for apt-get; without it, prints the command to run.
set -euo pipefail

packages=(wine wine64 fonts-wine g++-mingw-w64-i686 g++-mingw-w64-x86-64 cmake ninja-build
          googletest xvfb xauth imagemagick xdotool zip unzip)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
# npm fetches the Windows FFmpeg; a Node.js from elsewhere serves as well as Debian's.
command -v npm >/dev/null 2>&1 || missing+=(nodejs npm)
[ ${#missing[@]} -eq 0 ] && exit 0

command="apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Run as root: apt-get update && $command" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
$command >/dev/null
