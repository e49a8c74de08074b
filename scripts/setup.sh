#!/usr/bin/env bash
# Installs the Debian packages that building, testing and benchmarking need, only those missing;
# or, given package names, those instead. Quiet when everything is there; waits for the package
# lock instead of failing on it.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config python3
  libicu-dev libpcre2-dev libcurl4-openssl-dev
  libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  openssl tinyproxy util-linux libfaketime xvfb xauth
  qt6-base-dev libxcb1-dev libcpp-httplib-dev fonts-wqy-microhei
  libcli11-dev nlohmann-json3-dev libxml2-dev zlib1g-dev librsvg2-bin icoutils
  libsqlite3-dev sqlite3 libpq-dev postgresql libtomlplusplus-dev libssl-dev libxxhash-dev libmicrohttpd-dev libsystemd-dev
  prometheus chromium poppler-utils
)
[ $# -eq 0 ] || packages=("$@")

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "setup: installing ${missing[*]}"
lock_wait=(-o DPkg::Lock::Timeout=900)
$sudo env DEBIAN_FRONTEND=noninteractive apt-get "${lock_wait[@]}" update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get "${lock_wait[@]}" install -y -qq \
  --no-install-recommends "${missing[@]}" >/dev/null
