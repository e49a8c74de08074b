#!/usr/bin/env bash
# Cross-builds the Windows suites (text layer, header and cookie helpers, regular expressions over
# the system's own VBScript.RegExp) with mingw-w64 and runs them under Wine in a fresh prefix with
# code page 936 as the ANSI code page.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++-mingw-w64-x86-64 wine64 googletest locales)
missing=()
for pkg in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 update -qq
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null
fi
# Wine takes the ANSI code page from the locale: zh_CN.UTF-8 gives code page 936.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  locale-gen >/dev/null
fi

cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -Wno-dev >/dev/null
cmake --build build-windows -j "$(nproc)"

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
prefix=$(mktemp -d)
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
timeout 300 "$wine" wineboot -i >/dev/null 2>&1

failed=0
output=$(mktemp)
for suite in common_tests http_helper_tests regex_tests http_exchange_tests; do
  echo "== $suite (Windows, under Wine)"
  status=0
  timeout 600 "$wine" "build-windows/tests/windows/$suite.exe" >"$output" 2>&1 || status=$?
  tr -d '\r' <"$output" | grep -E '^\[  (PASSED|FAILED|SKIPPED) ' || true
  [ "$status" -eq 0 ] || { tail -n 40 "$output"; failed=1; }
done
rm -f "$output"
[ "$failed" -eq 0 ] || { echo "Windows suites failed"; exit 1; }
echo "Windows suites passed"
