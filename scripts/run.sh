#!/usr/bin/env bash
# Builds the programs (not the tests and benchmarks, so the first start is quick) and starts the
# tool.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -Wno-dev >/dev/null
cmake --build build -j "$(nproc)" --target linkcourier linkcourier-push push_simulator
exec build/app/linkcourier
