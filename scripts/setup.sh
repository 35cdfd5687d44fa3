#!/usr/bin/env bash
# Installs every build and test dependency on a fresh Debian 12 machine.
# Idempotent: packages already present are left alone.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

sudo_cmd=""
if [ "$(id -u)" -ne 0 ]; then sudo_cmd="sudo"; fi

packages=(
  build-essential cmake ninja-build pkgconf
  juce-modules-source
  libflac-dev libvorbis-dev libogg-dev
  libfreetype-dev libfontconfig1-dev libx11-dev libxrandr-dev libxinerama-dev libxcursor-dev libxext-dev
  libasound2-dev
  libfftw3-dev
  libgtest-dev libgmock-dev libbenchmark-dev libebur128-dev
  clang-22 libclang-rt-22-dev
  xvfb xauth twm xfonts-base xfonts-75dpi imagemagick x11-utils xdotool libxtst-dev
  lame
)

# The font comes from the npm registry; a machine that already has Node.js and npm keeps them.
if ! command -v npm >/dev/null 2>&1; then packages+=(npm); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -q
  $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

"$here/scripts/fetch-font.sh"
