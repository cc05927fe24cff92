#!/usr/bin/env bash
# Runs every fuzz target (or those named) for SECONDS each:
#     bash scripts/fuzz.sh [SECONDS] [TARGET...]
# The targets are built with clang-14 and -fsanitize=fuzzer,address,undefined
# in build-fuzz/ (or $TARVELO_FUZZ_BUILD_DIR). Each starts from its seed corpus
# fuzz/corpus/<target>/ and keeps what it finds beyond it in
# build-fuzz/corpus-work/<target>/. An input that breaks a target (a crash, a
# sanitizer report, a property that fails) is saved in
# build-fuzz/artifacts/<target>/ and the script fails: once the fault is
# mended, copy the input into fuzz/corpus/<target>/ so every test run replays it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
if (($# > 0)); then shift; fi
build=${TARVELO_FUZZ_BUILD_DIR:-$root/build-fuzz}
cxx=${TARVELO_FUZZ_CXX:-clang++-14}
if ! command -v "$cxx" >/dev/null; then
  echo "fuzz: $cxx non trovato (pacchetti clang-14 e libclang-rt-14-dev)" >&2
  exit 2
fi

targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(regfile phonebook archive profile provider query updatefile daytime)
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$cxx" -DTARVELO_FUZZ=ON -DTARVELO_TESTS=OFF -DTARVELO_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=()
for t in "${targets[@]}"; do
  work="$build/corpus-work/$t"
  artifacts="$build/artifacts/$t"
  mkdir -p "$work" "$artifacts"
  echo "== fuzz_$t: $seconds s"
  if ! "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=65536 -print_final_stats=1 -artifact_prefix="$artifacts/" \
      "$work" "$root/fuzz/corpus/$t" 2>"$build/fuzz_$t.log"; then
    failed+=("$t")
    tail -n 40 "$build/fuzz_$t.log" >&2
  else
    grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$build/fuzz_$t.log" || true
  fi
done
if ((${#failed[@]})); then
  echo "fuzz: falliti ${failed[*]} (input in $build/artifacts/)" >&2
  exit 1
fi
