#!/usr/bin/env bash
# Installs the Debian packages PELLIX needs to build, run and test, when any
# of them is missing. Runs apt-get only when something is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  liballegro4-dev libx11-dev zlib1g-dev libpng-dev libgtest-dev
  xvfb xdotool imagemagick x11-utils
  clang libclang-rt-14-dev
  zip gzip
  sdcc
  retroarch-dev retroarch dbus
  dpkg-dev desktop-file-utils man-db groff-base lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
