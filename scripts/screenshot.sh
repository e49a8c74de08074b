#!/usr/bin/env bash
# Takes the README's pictures: the tool under Xvfb after one submission to the simulator.
# Usage: bash scripts/screenshot.sh [--windows|--report] [OUTPUT.png]
#   (default docs/linkcourier.png; with --windows, linkcourier.exe under Wine and
#   docs/linkcourier-windows.png; with --report, the push program's report of a record with four
#   weeks of made-up history, in headless Chromium, docs/linkcourier-report.png)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--report" ]; then
  out=${2:-docs/linkcourier-report.png}
  bash scripts/setup.sh
  cmake -S . -B build -G Ninja -Wno-dev >/dev/null
  cmake --build build -j "$(nproc)" >/dev/null
  work=$(mktemp -d)
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  key=0123456789abcdef
  engines="http://127.0.0.1:$port"
  # Its index takes in what it accepted at once, but for some news pages that stay out.
  build/tools/push_simulator --port "$port" --protocol indexnow --token "$key" \
    --site www.example.com --site blog.example.com --index-after 0 \
    --never-indexed /articles/1 >/dev/null &
  simulator=$!
  trap 'kill $simulator 2>/dev/null || true; rm -rf "$work"' EXIT
  sleep 1
  # Two sites, each to the push interface and IndexNow; secrets for the owner alone.
  umask 077
  for site in news:www.example.com:新闻 blog:blog.example.com:博客; do
    IFS=: read -r file host name <<<"$site"
    echo "$engines/urls?site=$host&token=$key" >"$work/$file.url"
    echo "$key" >"$work/key"
    cat >>"$work/sites.toml" <<EOF
[[site]]
name = "$name"
files = ["$work/$file.txt"]
[site.push]
interface_file = "$work/$file.url"
[site.indexnow]
key_file = "$work/key"
key_location = "$engines/$key.txt"
endpoint = "$engines/indexnow"
EOF
    # The news site also to Bing, inspected within a dozen a day: a backlog, so links take days.
    [ "$file" = news ] && cat >>"$work/sites.toml" <<EOF
[site.bing]
api_key_env = "BING_KEY"
endpoint = "$engines/webmaster/api.svc/json"
inspect = true
daily_inspections = 12
EOF
  done
  export BING_KEY=$key
  # The library itself, not the faketime wrapper, which leaves files in /dev/shm when killed.
  libfaketime=$(dpkg -L libfaketime | grep '/libfaketime\.so\.1$')
  for days_ago in $(seq 29 -1 0); do
    [ $((days_ago % 9)) = 4 ] && continue  # a night the machine was off
    for n in $(seq 0 $(((days_ago * 7) % 11 * 3))); do
      echo "https://www.example.com/articles/$days_ago-$n.html"
    done >>"$work/news.txt"
    echo "https://blog.example.com/posts/$days_ago.html" >>"$work/blog.txt"
    [ $((days_ago % 10)) = 2 ] && echo "https://www.example.com/elsewhere/$days_ago" >>"$work/blog.txt"
    LD_PRELOAD=$libfaketime FAKETIME="-${days_ago}d" build/push/linkcourier-push -q \
      --state "$work/state.db" --config "$work/sites.toml" >/dev/null 2>&1 || true
  done
  build/push/linkcourier-push report --state "$work/state.db" --html "$work/report.html"
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1000,1800 \
    --screenshot="$PWD/$out" "file://$work/report.html" >/dev/null 2>&1
  echo "saved $out"
  exit 0
fi
windows=false
if [ "${1:-}" = "--windows" ]; then
  windows=true
  shift
fi
out=${1:-$($windows && echo docs/linkcourier-windows.png || echo docs/linkcourier.png)}
bash scripts/setup.sh
bash scripts/setup.sh xvfb xauth xdotool imagemagick x11-utils
cmake -S . -B build -G Ninja -Wno-dev >/dev/null
cmake --build build -j "$(nproc)" >/dev/null
if $windows; then
  bash scripts/build-windows.sh >/dev/null
  source scripts/wine.sh
  export WINEPREFIX=$(mktemp -d) WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
fi

display=:$((90 + RANDOM % 100))
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; if $windows; then "$wineserver" -k; rm -rf "$WINEPREFIX"; fi' EXIT
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
build/tools/push_simulator --port "$port" --site www.example.com --token demo-token >/dev/null &
pids+=($!)
sleep 1
if $windows; then
  DISPLAY=$display "$wine" build-windows/app/linkcourier.exe >/dev/null 2>&1 &
else
  DISPLAY=$display build/app/linkcourier >/dev/null 2>&1 &
fi
pids+=($!)

window=""
for _ in $(seq 300); do
  window=$(DISPLAY=$display xwininfo -root -tree | awk '/"Linkcourier - / {print $1; exit}')
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear" >&2; exit 1; }
sleep 2  # until its controls are drawn

xdo() { DISPLAY=$display timeout 10 xdotool "$@"; }
xdo mousemove --window "$window" 200 32 click 1
xdo type --delay 5 "http://127.0.0.1:$port/urls?site=www.example.com&token=demo-token"
xdo mousemove --window "$window" 200 90 click 1
xdo type --delay 5 "https://www.example.com/news/1.html"
xdo key Return
xdo type --delay 5 "https://www.example.com/news/2.html"
xdo mousemove --window "$window" 428 32 click 1
sleep 1.5
DISPLAY=$display timeout 10 import -window "$window" "$out"
echo "saved $out"
