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
  desktop-file-utils appstream dpkg-dev file
  openbox xdotool x11-utils imagemagick locales
  time
  ppp iproute2 python3
  dbus python3-dbusmock libqt6dbus6
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

# The tests run under it_IT.UTF-8 as well as C.UTF-8: build the Italian
# locale when the system lacks it.
if ! locale -a 2>/dev/null | grep -qix 'it_IT\.utf-\?8'; then
  echo "Genero la localizzazione it_IT.UTF-8"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  if [ -f /etc/locale.gen ] && command -v locale-gen >/dev/null; then
    $sudo sed -i 's/^# *\(it_IT\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^it_IT\.UTF-8 UTF-8' /etc/locale.gen || echo 'it_IT.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen
  else
    $sudo localedef -i it_IT -f UTF-8 it_IT.UTF-8
  fi
fi
