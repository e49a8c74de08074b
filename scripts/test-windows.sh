#!/usr/bin/env bash
# Runs the shared suites, cross-built against the Windows platform layer, and the push program's
# suite against the Windows program, under Wine: a fresh prefix with code page 936 as the ANSI
# code page, the window tests on a virtual display, and the shell's browser pointed at a script
# that records what it is asked to open.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-windows.sh >/dev/null

bash scripts/setup.sh icoutils unzip
source scripts/wine-session.sh

export LINKCOURIER_BROWSER_RECORD=$scratch/opened.txt
printf '#!/bin/sh\nprintf "%%s\\n" "$1" > "%s"\n' "$LINKCOURIER_BROWSER_RECORD" >"$scratch/browser"
chmod +x "$scratch/browser"
"$wine" reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$scratch/browser" /f >/dev/null 2>&1

failed=0
output=$scratch/output.txt
flaky=$scratch/flaky.txt
: >"$flaky"
# What passed only on its second run the last time this command ran on this machine.
flaky_before=${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/linkcourier/flaky-under-wine.txt
# Each test of a failed gtest run that did not pass, a line each: its name, a tab, and its first
# failure (file:line and the message's first line), or how the run ended without its result.
failures_of() {  # failures_of SUITE STATUS < OUTPUT
  tr -d '\r' | awk -v suite="$1" -v status="$2" '
    /^\[ RUN      \] / { test = $4; reason = ""; next }
    /^\[       OK \] |^\[  SKIPPED \] / && $4 == test { test = ""; next }
    test != "" && reason == "" && /: Failure$/ {
      where = $0; sub(/.*[\/\\]/, "", where); sub(/: Failure$/, "", where)
      getline; reason = where " " $0; next
    }
    /^\[  FAILED  \] / && $4 == test { print test "\t" reason; test = ""; failed = 1; next }
    { last = $0 }
    END {
      if (test != "") print test "\tended without its result: " last
      else if (!failed) print suite "\tended with code " status " before all its tests had run"
    }'
}
# Runs one suite (LABEL, then the command) and prints its results, within $suite_seconds (600 unless
# set). A suite that fails is shown with its failures' messages and runs once more under a new
# wineserver, for Wine's own hiccups: from some moment on Wine has refused every socket to a test
# process, which no run here reproduced. A suite that passes only then is named at the end as
# flaky; a second failure counts.
run_suite() {  # run_suite LABEL COMMAND...
  local label=$1 round first_failures=""
  shift
  for round in first second; do
    local status=0
    timeout "${suite_seconds:-600}" "$@" >"$output" 2>&1 || status=$?
    tr -d '\r' <"$output" | grep -a -E '^\[  (PASSED|FAILED|SKIPPED) ' || true
    # A suite that ends with code 0 before gtest's last word has not passed.
    if [ "$status" -eq 0 ] && tr -d '\r' <"$output" | grep -a -q '^\[  PASSED  \]'; then
      [ -z "$first_failures" ] || printf '%s\n' "$first_failures" >>"$flaky"
      return 0
    fi
    [ "$status" -ne 0 ] || echo "-- ended with code 0 before all its tests had run"
    tr -d '\r' <"$output" | grep -a -A8 -E 'Failure$' | head -n 60 || true
    tr -d '\r' <"$output" | tail -n 5
    [ "$round" = first ] || break
    first_failures=$(failures_of "$label" "$status" <"$output")
    echo "-- failed on its first run: once more, under a new wineserver"
    "$wineserver" -k 2>/dev/null || true
  done
  failed=1
}
# Names the flaky tests of this run; one that failed for the same reason the last time too is a
# fault, not a hiccup.
report_flaky() {
  local name reason
  while IFS=$'\t' read -r name reason; do
    echo "flaky under Wine: $name — first failure: $reason"
    if [ -f "$flaky_before" ] && grep -q -x -F "$name"$'\t'"$reason" "$flaky_before"; then
      echo "-- $name failed so in the run before this one too: that counts as a failure"
      failed=1
    fi
  done <"$flaky"
  mkdir -p "$(dirname "$flaky_before")"
  cp "$flaky" "$flaky_before"
}
# The executables carry their icon and their version.
for program in app/linkcourier push/linkcourier-push; do
  resources=$(wrestool -l "build-windows/$program.exe")
  for kind in "--type=14 --name='LINKCOURIER'" "--type=16"; do
    grep -q -- "$kind" <<<"$resources" || { echo "$program.exe lacks its resource $kind"; failed=1; }
  done
done
# The list the build wrote from tests/suites.cmake, and the window's suite.
while read -r suite <&3; do
  echo "== $suite (Windows, under Wine)"
  run_suite "$suite" "$wine" "build-windows/tests/windows/$suite.exe"
done 3<build-windows/tests/windows/suites.txt
# The window on a display scaled to 150 %: the same layout, larger.
echo "== window_tests at 150 % (Windows, under Wine)"
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
"$wineserver" -k 2>/dev/null || true
LINKCOURIER_EXPECTED_DPI=144 run_suite "window_tests at 150 %" "$wine" build-windows/tests/windows/window_tests.exe \
  --gtest_filter='WindowTest.*'
"$wine" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
"$wineserver" -k 2>/dev/null || true
# The push program's suite is the Linux one, driving the Windows program under Wine against the
# simulator.
echo "== push_tests, with linkcourier-push.exe (Windows, under Wine)"
bash scripts/setup.sh
cmake -S . -B build -G Ninja -Wno-dev >/dev/null
cmake --build build --target push_tests >/dev/null
# Each Windows program that starts while no other holds Wine's desktop waits seconds for it (and a
# window kept open to hold it keeps Wine's task scheduler from starting): the suite's hundreds of
# programs take their time.
suite_seconds=2100 LINKCOURIER_PUSH_COMMAND="$wine $PWD/build-windows/push/linkcourier-push.exe" \
  run_suite push_tests build/tests/push_tests --gtest_filter='PushProgramTest.*:ServeTest.*'
# The download: the zip unpacks, and the tool in it starts and shows its window.
echo "== linkcourier.exe from the zip (Windows, under Wine)"
bash scripts/package.sh --windows >/dev/null
unzip -q -d "$scratch/unpacked" build-windows-package/linkcourier-*-win64.zip
"$wine" "$scratch"/unpacked/linkcourier-*/linkcourier-push.exe --help >/dev/null 2>&1 ||
  { echo "linkcourier-push.exe from the zip does not start"; failed=1; }
"$wine" "$scratch"/unpacked/linkcourier-*/linkcourier.exe >/dev/null 2>&1 &
shown=false
for _ in $(seq 100); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Linkcourier - '; then
    shown=true
    break
  fi
  sleep 0.2
done
"$wineserver" -k 2>/dev/null || true
if $shown; then echo "its window showed"; else echo "its window did not show"; failed=1; fi

report_flaky
[ "$failed" -eq 0 ] || { echo "Windows suites failed"; exit 1; }
echo "Windows suites passed"
