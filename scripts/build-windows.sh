#!/usr/bin/env bash
# Cross-builds the Windows executable (and the Windows test suites) with Debian's mingw-w64:
# one self-contained build-windows/app/linkcourier.exe, with no DLLs of ours beside it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh g++-mingw-w64-x86-64 googletest cmake ninja-build librsvg2-bin icoutils
bash scripts/windows-libraries.sh

cmake -S . -B build-windows -G Ninja --no-warn-unused-cli \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -Wno-dev >/dev/null
cmake --build build-windows -j "$(nproc)"
echo "built build-windows/app/linkcourier.exe"
