#!/usr/bin/env bash
# Makes the packages people install, and checks them:
#   bash scripts/package.sh            build-package/linkcourier_<version>_amd64.deb (the window)
#                                      build-package/linkcourier-push_<version>_amd64.deb
#   bash scripts/package.sh --windows  build-windows-package/linkcourier-<version>-win64.zip
# Both .debs are checked with lintian; the window's with desktop-file-validate and appstreamcli;
# the push program's must need no Qt. Each is unpacked into a throwaway root whose programs must
# start; the push service must push the shipped example in a booted container, and the push
# package's maintainer scripts do there what they say (scripts/service-check.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--windows" ]; then
  bash scripts/setup.sh zip unzip
  bash scripts/build-windows.sh >/dev/null
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-windows/CMakeCache.txt)
  out=build-windows-package
  rm -rf "$out"
  mkdir -p "$out/stage/linkcourier-$version"
  cp build-windows/app/linkcourier.exe build-windows/push/linkcourier-push.exe \
    "$out/stage/linkcourier-$version/"
  sed 's/$/\r/' README.md >"$out/stage/linkcourier-$version/README.txt"
  sed 's/$/\r/' docs/reference.md >"$out/stage/linkcourier-$version/REFERENCE.txt"
  (cd "$out/stage" && zip -q -r -X "../linkcourier-$version-win64.zip" "linkcourier-$version")
  rm -rf "$out/stage"
  echo "made $out/linkcourier-$version-win64.zip"
  exit 0
fi

bash scripts/setup.sh
bash scripts/setup.sh scdoc lintian appstream desktop-file-utils dpkg-dev systemd systemd-container
# Hardened as Debian builds its own packages.
cmake -S . -B build-package -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX=/usr -DLINKCOURIER_TESTS=OFF -DLINKCOURIER_PACKAGE=ON \
  -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
  -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now" >/dev/null
cmake --build build-package -j "$(nproc)" >/dev/null
rm -f build-package/linkcourier*.deb
(cd build-package && cpack -G DEB >/dev/null)
window_deb=$(ls build-package/linkcourier_*_amd64.deb)
push_deb=$(ls build-package/linkcourier-push_*_amd64.deb)
echo "made $window_deb $push_deb"

# The checks.
for deb in "$window_deb" "$push_deb"; do
  lintian --fail-on error,warning --suppress-tags-from-file /dev/null "$deb"
done
if dpkg-deb -f "$push_deb" Depends | grep -qiE 'qt6|libx11|libxcb|libgl|fonts-'; then
  echo "the push package pulls in a desktop: $(dpkg-deb -f "$push_deb" Depends)"
  exit 1
fi
window=$(mktemp -d)
root=$(mktemp -d)
trap 'rm -rf "$window" "$root"' EXIT
dpkg-deb -x "$window_deb" "$window"
desktop-file-validate "$window"/usr/share/applications/*.desktop
# Docks put the running window with its launcher by the window's class, the program's name.
grep -qx 'StartupWMClass=linkcourier' "$window"/usr/share/applications/*.desktop
appstreamcli validate --no-net --pedantic "$window"/usr/share/metainfo/*.metainfo.xml
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$window/usr/bin/linkcourier" 2>/dev/null && exit 1
dpkg-deb -x "$push_deb" "$root"
dpkg-deb -e "$push_deb" "$root/DEBIAN"
"$root/usr/bin/linkcourier-push" --help >/dev/null
# The units load beside the system's own, and the services are as closed as network clients can
# be.
cp -rn /lib/systemd/system/. "$root/lib/systemd/system/"
systemd-analyze verify --man=no --root="$root" linkcourier-push.service linkcourier-push.timer \
  linkcourier-push-serve.service linkcourier-push.socket
for unit in linkcourier-push.service linkcourier-push-serve.service; do
  systemd-analyze security --offline=yes --root="$root" "$unit" | grep 'Overall exposure level'
done
test -e "$root/usr/share/doc/linkcourier-push/examples/linkcourier-push.toml"
# Started once, its program from the throwaway root under the unit's own sandbox, where systemd
# runs this machine; elsewhere (a container, a build chroot) it cannot be, and says why.
if [ -d /run/systemd/system ]; then
  sandbox=()
  while read -r setting; do
    sandbox+=(-p "$setting")
  done < <(grep -E '^(DynamicUser|UMask|CapabilityBoundingSet|NoNewPrivileges|Private|Protect|ProcSubset|Restrict|LockPersonality|SystemCall)' \
    "$root/lib/systemd/system/linkcourier-push.service")
  systemd-run --wait --collect --quiet "${sandbox[@]}" -p "BindReadOnlyPaths=$root" \
    "$root/usr/bin/linkcourier-push" --version
else
  echo "the service's start: skipped, systemd does not run this machine (no /run/systemd/system)"
fi
"$root/usr/bin/linkcourier-push-simulator" --help >/dev/null
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$root/usr/bin/linkcourier-push-simulator" --port "$port" >"$root/simulator.out" &
simulator=$!
for _ in $(seq 50); do
  grep -q "^http://127.0.0.1:$port/" "$root/simulator.out" && break
  sleep 0.1
done
kill "$simulator"
grep -q "^http://127.0.0.1:$port/" "$root/simulator.out" || { echo "the packaged simulator did not start"; exit 1; }
bash scripts/service-check.sh "$root"
echo "package checks passed"
