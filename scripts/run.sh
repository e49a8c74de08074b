#!/usr/bin/env bash
# Builds the tool and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -Wno-dev >/dev/null
cmake --build build -j "$(nproc)"
if [ ! -x build/app/linkcourier ]; then
  echo "The tool's window is not built yet: so far this repository holds its libraries and tests." >&2
  exit 1
fi
exec build/app/linkcourier
