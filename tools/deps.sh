#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config git
  libsdl2-dev libsdl2-ttf-dev fonts-dejavu-core
  libepoxy-dev libgl-dev libglu1-mesa-dev libegl-dev libgl1-mesa-dri libegl1 libegl-mesa0 libglx-mesa0
  libdevil-dev
  libsndfile1-dev libopenmpt-dev libkissfft-dev
  zlib1g-dev ffmpeg
  libgtest-dev libgmock-dev libbenchmark-dev
  sox libsox-fmt-all
  xvfb xauth libx11-dev libxrandr-dev
  dpkg-dev file lintian man-db groff-base desktop-file-utils patchelf
  emscripten chromium autotools-dev autoconf automake libtool
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# The browser build's libraries (tools/web-deps.sh) and the portable tarball's
# SDL (tools/portable.sh) are built from Debian's source packages: source
# lines for the same mirrors as the binary ones, in either format.
if ! grep -rqs "^Types:.*deb-src\|^deb-src" /etc/apt/sources.list /etc/apt/sources.list.d/; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      $SUDO tee /etc/apt/sources.list.d/vortexel-deb-src.sources >/dev/null
    missing+=(apt-sources)
  elif grep -qs '^deb ' /etc/apt/sources.list; then
    grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
      $SUDO tee /etc/apt/sources.list.d/vortexel-deb-src.list >/dev/null
    missing+=(apt-sources)
  fi
fi

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
packages=()
for p in "${missing[@]}"; do [ "$p" = apt-sources ] || packages+=("$p"); done
if [ ${#packages[@]} -gt 0 ]; then
  $SUDO apt-get install -y --no-install-recommends "${packages[@]}"
fi
