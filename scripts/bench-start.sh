#!/usr/bin/env bash
# Start-up benchmark (not a test): how long Morvex.exe takes from process start to a visible
# window, against a bare dialog program built with the same toolchain, flags, manifest and
# DLLs that calls InitCommonControlsEx as Morvex.exe does (tests/bench/bare_dialog.cpp): the
# ratio between the two is Morvex's own work, not the cost of starting a process. The two
# start in turn, PAIRS times each (default 40; fewer than 40 gives no median worth reading),
# under Wine in the project's prefix, once per screen DPI (Wine's LogPixels; default 96 and
# 192), each run in a virtual X server of the screen's size and with a Wine server of its own.
# It prints every pair, both medians with their quartiles, and the median ratio Morvex / bare
# dialog of the pairs with its quartiles and range.
#   scripts/bench-start.sh [PAIRS] [PRESET] [DPI...]
#   PRESET: mingw (the 32-bit product, default) or mingw64; DPI: 96, 120, 144 or 192
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ "${1:-}" = --inside-xvfb ]; then
  # One DPI, inside its own X server (see below).
  pairs=$2 preset=$3 dpi=$4
  build="$root/build/$preset"
  windows_path() { echo "Z:${1//\//\\}"; }
  . cmake/wine-env.sh
  morvex_wine_env "$root/build/wineprefix"
  remote="$build/tests/e2e/morvex_remote.exe"
  # Wine reads the DPI when its server starts: a fresh one, with the setting written first.
  morvex_wine_restart
  morvex_wine_dpi "$remote" "$([ "$dpi" = 96 ] && echo 0 || echo "$dpi")"
  finish() {
    "$MORVEX_WINE" "$remote" dpi 0 || true
    "$MORVEX_WINE" "$remote" desktop-size "$(morvex_wine_screen 0)" || true
    morvex_wine_stop
  }
  trap finish EXIT
  echo "bench-start: $dpi DPI, $pairs pairs"
  "$MORVEX_WINE" "$build/tests/bench/bench_start.exe" "$pairs" \
    "$(windows_path "$build/tests/bench/bare_dialog.exe")" \
    "$(windows_path "$build/src/app/Morvex.exe")"
  exit
fi

pairs=${1:-40}
preset=${2:-mingw}
shift $(($# < 2 ? $# : 2))
dpis=("$@")
[ ${#dpis[@]} -gt 0 ] || dpis=(96 192)
if [ "$pairs" -lt 40 ]; then
  echo "bench-start: $pairs pairs; at least 40 give a median and a spread worth reading" >&2
fi

. cmake/wine-env.sh # morvex_wine_screen
bash scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target Morvex bare_dialog bench_start morvex_remote

for dpi in "${dpis[@]}"; do
  xvfb-run -a -s "-screen 0 $(morvex_wine_screen "$dpi")x24" \
    bash "$0" --inside-xvfb "$pairs" "$preset" "$dpi"
done
