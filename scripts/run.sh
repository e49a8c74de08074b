#!/usr/bin/env bash
# Builds the tool and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -Wno-dev >/dev/null
cmake --build build -j "$(nproc)"
exec build/app/linkcourier
