#!/usr/bin/env bash
# Start-up benchmark (not a test): how long Morvex.exe takes from process start to a visible
# window, against a bare dialog program built with the same toolchain and flags
# (tests/bench/bare_dialog.cpp). The two start in turn, PAIRS times each (default 20, at least
# 20 for a median worth reading), under Wine in the project's prefix; it prints every pair,
# the medians and the ratio Morvex / bare dialog.
#   scripts/bench-start.sh [PAIRS] [PRESET]   PRESET: mingw (the 32-bit product, default) or mingw64
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

pairs=${1:-20}
preset=${2:-mingw}

if [ -z "${MORVEX_BENCH_HEADLESS:-}" ]; then
  bash scripts/setup.sh
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)" --target Morvex bare_dialog bench_start
  if [ -z "${DISPLAY:-}" ]; then
    export MORVEX_BENCH_HEADLESS=1
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$pairs" "$preset"
  fi
fi

build="$root/build/$preset"
windows_path() { echo "Z:${1//\//\\}"; }

. cmake/wine-env.sh
morvex_wine_env "$root/build/wineprefix"
# A fresh wineserver for this display: one left from a run on another X server would put
# the windows there.
morvex_wine_restart
trap morvex_wine_stop EXIT

"$MORVEX_WINE" "$build/tests/bench/bench_start.exe" "$pairs" \
  "$(windows_path "$build/tests/bench/bare_dialog.exe")" \
  "$(windows_path "$build/src/app/Morvex.exe")"
