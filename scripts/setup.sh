#!/usr/bin/env bash
# Installs what building and testing Ombrix+ needs on Debian, only what is
# missing: the mingw-w64 cross compilers, GoogleTest's sources, CMake, Wine,
# a virtual display with a window manager, a system tray, xdotool and ImageMagick;
# zip for the release and unzip for its check. "setup.sh package" installs only
# what the release needs.
set -euo pipefail

packages=(cmake make g++-mingw-w64-x86-64 zip)
[ "${1:-}" = package ] || packages+=(unzip googletest wine wine64 xvfb openbox xdotool x11-utils imagemagick trayer)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
