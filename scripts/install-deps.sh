#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test Tarvelo!.
# Only what is missing is installed; nothing is downloaded from elsewhere.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libqt6printsupport6 libqt6network6
  libbenchmark-dev
  xvfb xauth fonts-dejavu-core
  e2fsprogs util-linux fiu-utils
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installo i pacchetti mancanti: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
