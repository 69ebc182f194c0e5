#!/usr/bin/env bash
# Installs everything zemra needs to build, test and run on Debian 12.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang libclang-rt-14-dev
  qt6-base-dev libx11-dev libxcb1-dev
  libdb5.3-dev db5.3-util
  libbcg729-dev libvpx-dev libasound2-dev libv4l-dev
  libsqlite3-dev libasio-dev libsodium-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  ffmpeg xvfb xauth imagemagick trayer xdotool iproute2
  desktop-file-utils appstream dpkg-dev file lintian
  fonts-wqy-microhei fonts-noto-color-emoji
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [[ $(id -u) -eq 0 ]] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
