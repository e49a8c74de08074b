#!/usr/bin/env bash
# Builds the benchmarks and prints each figure as "name value unit". Ratios compare two things
# measured side by side in the same run, so a noisy machine moves both alike.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/setup.sh curl libxml2-utils  # the command lines measured against
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -Wno-dev >/dev/null
cmake --build build-bench -j "$(nproc)" >/dev/null

out=$(mktemp -d)
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  rm -rf "$out"
}
trap cleanup EXIT

run() {  # run NAME [ARGS...]: repeated, medians only, as JSON
  local name=$1
  shift
  "build-bench/bench/$name" "$@" --benchmark_format=json --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true >"$out/$name.json" 2>/dev/null
}

run text_bench
run cookie_bench
run regex_bench

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
build-bench/bench/bench_server "$port" &
server_pid=$!
python3 -c "
import socket, time
for _ in range(100):
    try:
        socket.create_connection(('127.0.0.1', $port)).close(); break
    except OSError:
        time.sleep(0.05)"
# Exchanges over loopback share two cores with the server: longer runs steady the medians.
run http_bench "http://127.0.0.1:$port" --benchmark_min_time=2

python3 bench/figures.py "$out"
build-bench/bench/http_peak_rss "http://127.0.0.1:$port"
build-bench/bench/http_vs_curl_cli "http://127.0.0.1:$port"
build-bench/bench/regex_peak_rss
build-bench/bench/regex_runaway
build-bench/bench/regex_common_patterns
QT_QPA_PLATFORM=offscreen build-bench/bench/links_box_long_line 2>/dev/null
# The same on the Windows build's own edit control, under Wine.
(
  bash scripts/build-windows.sh >/dev/null
  source scripts/wine-session.sh >/dev/null
  # Wine's server keeps a pipe open: the figure goes through a file.
  "$wine" build-windows/tests/windows/links_box_long_line.exe >"$scratch/figure" 2>/dev/null
  "$wineserver" -k 2>/dev/null || true
  tr -d '\r' <"$scratch/figure"
)
python3 bench/startup.py build-bench/bench
python3 bench/cli_clean.py build-bench/push/linkcourier-push
python3 bench/record.py build-bench/push/linkcourier-push
python3 bench/engines_run.py build-bench/push/linkcourier-push build-bench/tools/push_simulator
python3 bench/inspect_run.py build-bench/push/linkcourier-push build-bench/tools/push_simulator
python3 bench/folder.py build-bench/push/linkcourier-push build-bench/tools/push_simulator
python3 bench/serve.py build-bench/push/linkcourier-push
build-bench/bench/record_bench
build-bench/bench/pg_record_bench
python3 bench/shared_record.py build-bench/push/linkcourier-push build-bench/tools/push_simulator
python3 bench/record_together.py build-bench/push/linkcourier-push build-bench/tools/push_simulator
build-bench/bench/jwt_sign
