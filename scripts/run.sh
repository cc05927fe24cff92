#!/usr/bin/env bash
# Installs what is missing, builds, lays out the portable program folder dist/
# and starts Tarvelo! from there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVELO_BUILD_DIR:-$root/build}
dist=${TARVELO_DIST_DIR:-$root/dist}

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"

# The program folder: both executables side by side, the help pages, the
# sample tariff profiles. Profiles already there are the user's: never
# overwritten.
mkdir -p "$dist/hlp"
cp -f "$build/app/tarvelo" "$build/tools/tarvelo-cli" "$dist/"
cp -f "$root"/data/hlp/*.htm "$dist/hlp/"
if compgen -G "$root/data/Trf/*" >/dev/null; then
  mkdir -p "$dist/Trf"
  cp -n "$root"/data/Trf/* "$dist/Trf/"
fi
# The simulated dial-up service keeps its phone book and connections in
# ras-sim/. A first run gets one entry to play with.
if [ ! -f "$dist/ras-sim/rasphone.pbk" ]; then
  "$dist/tarvelo-cli" --folder "$dist" ras add Prova --phone 0701234567 >/dev/null
fi

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  echo "Tarvelo! è pronto in $dist, ma non c'è un display grafico (DISPLAY/WAYLAND_DISPLAY)."
  echo "Prova su un display virtuale:  xvfb-run -a bash scripts/run.sh"
  echo "Tarvelo! is ready in $dist, but there is no graphical display (DISPLAY/WAYLAND_DISPLAY)."
  echo "Try it on a virtual display:    xvfb-run -a bash scripts/run.sh"
  exit 2
fi
cd "$dist"
exec "$dist/tarvelo"
