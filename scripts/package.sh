#!/usr/bin/env bash
# Installs what is missing, builds Tarvelo! without its tests and makes the
# Debian package, e.g. build-package/packages/tarvelo_3.1.1.5_amd64.deb.
# Its own build folder ($TARVELO_PACKAGE_BUILD_DIR, default build-package/)
# leaves the developers' build/ as it is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVELO_PACKAGE_BUILD_DIR:-$root/build-package}

bash "$root/scripts/install-deps.sh"
TARVELO_BUILD_DIR=$build bash "$root/scripts/build.sh" -DTARVELO_TESTS=OFF -DTARVELO_BENCHMARKS=OFF
out=$build/packages
rm -rf "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out"
rm -rf "$out/_CPack_Packages"
deb=$(ls "$out"/*.deb)
echo
echo "Pacchetto pronto / package ready: $deb"
echo "Installalo / install it:  sudo apt install $deb"
