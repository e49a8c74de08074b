#!/usr/bin/env bash
# Builds and runs every test: the suite on a normal build and under AddressSanitizer +
# UndefinedBehaviorSanitizer, each fuzz target for a few seconds, the Debian package with its
# checks, then the Windows build's suites and its download under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
fuzz_seconds=${LINKCOURIER_FUZZ_SECONDS:-5}

# Each stage's time, printed at the end (also when a stage fails), so that growth shows.
stage_name="set-up (missing packages)"
stage_started=$SECONDS
timings=()
minutes() { printf '%d m %02d s' $(($1 / 60)) $(($1 % 60)); }
end_stage() {
  timings+=("$(printf '%-48s %s' "$stage_name" "$(minutes $((SECONDS - stage_started)))")")
}
stage() {  # stage NAME: the stage before it ends, this one begins
  end_stage
  stage_name=$1
  stage_started=$SECONDS
  echo "== $1"
}
print_timings() {
  end_stage
  echo "-- time taken"
  printf '%s\n' "${timings[@]}"
  printf '%-48s %s\n' "total" "$(minutes "$SECONDS")"
}
trap print_timings EXIT
bash scripts/setup.sh

build() {  # build DIR [cmake options...]
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -Wno-dev "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

stage "normal build and suite"
build build
ctest --test-dir build --output-on-failure -j "$jobs"

stage "sanitizers (ASan + UBSan): build and suite"
build build-sanitize -DLINKCOURIER_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" \
  ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

stage "fuzz targets (${fuzz_seconds}s each)"
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
stage "the Debian package, made and checked"
bash scripts/package.sh

stage "the Windows build's suites under Wine"
bash scripts/test-windows.sh

echo "all tests passed"
