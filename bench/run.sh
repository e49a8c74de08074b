#!/usr/bin/env bash
# Builds the benchmarks and prints each figure as "name value unit". Ratios compare two things
# measured side by side in the same run, so a noisy machine moves both alike.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -Wno-dev >/dev/null
cmake --build build-bench -j "$(nproc)" >/dev/null

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for bench in text_bench cookie_bench regex_bench; do
  build-bench/bench/$bench --benchmark_format=json --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true >"$out/$bench.json" 2>/dev/null
done
python3 bench/figures.py "$out"
