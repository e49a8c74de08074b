#!/usr/bin/env bash
# Builds and runs every test: the suite on a normal build and under AddressSanitizer +
# UndefinedBehaviorSanitizer, each fuzz target for a few seconds, the Debian package with its
# checks, then the Windows build's suites and its download under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
fuzz_seconds=${LINKCOURIER_FUZZ_SECONDS:-5}

build() {  # build DIR [cmake options...]
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -Wno-dev "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

echo "== normal build"
build build
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
build build-sanitize -DLINKCOURIER_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" \
  ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

echo "== fuzz targets (${fuzz_seconds}s each)"
build build-fuzz -DLINKCOURIER_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
for fuzzer in build-fuzz/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  corpus=$(mktemp -d)
  "$fuzzer" -max_total_time="$fuzz_seconds" -max_len=4096 "$corpus" 2>"$corpus.log" || {
    tail -n 40 "$corpus.log"
    echo "fuzz target $(basename "$fuzzer") failed"
    exit 1
  }
  rm -rf "$corpus" "$corpus.log"
  echo "$(basename "$fuzzer"): no failure in ${fuzz_seconds}s"
done
echo "== the Debian package, made and checked"
bash scripts/package.sh

echo "== the Windows build's suites under Wine"
bash scripts/test-windows.sh

echo "all tests passed"
