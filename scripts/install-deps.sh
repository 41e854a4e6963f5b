#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running Velumira need.
# Does nothing when every package is already present.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6network6
  libjpeg62-turbo-dev libjpeg-turbo-progs
  libsimpleini-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libpng-dev libraw-dev libheif-dev libtiff-dev libwebp-dev libheif-examples
  fonts-noto-cjk qt6-translations-l10n
  xvfb xauth xdotool imagemagick
  desktop-file-utils dpkg-dev file
  exiv2 hyperfine groff-base shared-mime-info
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
else
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
