#!/usr/bin/env bash
# Installs what is missing, builds and runs every test headless.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
build=${TARVELO_BUILD_DIR:-$root/build}
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 600
# The fuzz targets, briefly: their corpora were replayed above through the
# normal build; here libFuzzer looks a little further, with the sanitizers.
if command -v clang++-14 >/dev/null; then
  bash "$root/scripts/fuzz.sh" "${TARVELO_FUZZ_SECONDS:-15}"
fi
