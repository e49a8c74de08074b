#!/usr/bin/env bash
# Sourced by the scripts that run the Windows build under Wine: a scratch folder ($scratch) with a
# fresh prefix with code page 936 as the ANSI code page, on a virtual display of its own; all of
# it is taken down when the sourcing shell exits.
source scripts/wine.sh

scratch=$(mktemp -d)
display=:$((100 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
# Wine's desktop process starts with the prefix and needs the display from the first moment.
export DISPLAY=$display WINEPREFIX=$scratch/prefix WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
trap '"$wineserver" -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true; rm -rf "$scratch"' EXIT
for _ in $(seq 50); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
timeout 300 "$wine" wineboot -i >/dev/null 2>&1
