#!/usr/bin/env bash
# Start-up benchmark (not a test): how long Morvex.exe takes from process start to a visible
# window, against two floors built with the same toolchain, flags, manifest and DLLs, both
# calling InitCommonControlsEx as Morvex.exe does:
# - a bare dialog (tests/bench/bare_dialog.cpp): Morvex / bare dialog is everything Morvex adds
#   to starting a process with a window;
# - the main window made from Morvex's own templates with no code of Morvex's
#   (tests/bench/bare_dialog.cpp built as window_templates): the main dialog, the tab buttons
#   and the first page.
#   Templates / bare dialog is what the window's controls cost to create (under Wine about a
#   millisecond per control, and more for the language list, whose drop-down is a top-level
#   window); Morvex / templates is what Morvex's own code does before the window shows.
# The three start in turn, ROUNDS times each (default 40; fewer than 40 gives no median worth
# reading), under Wine in the project's prefix, once per screen DPI (Wine's LogPixels; default
# 96 and 192), each run in a virtual X server of the screen's size and with a Wine server of
# its own. It prints every round, the medians with their quartiles, and the median ratio of
# every two programs within a round, with its quartiles and range.
#   scripts/bench-start.sh [ROUNDS] [PRESET] [DPI...]
#   PRESET: mingw (the 32-bit product, default) or mingw64; DPI: 96, 120, 144 or 192
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ "${1:-}" = --inside-xvfb ]; then
  # One DPI, inside its own X server (see below).
  rounds=$2 preset=$3 dpi=$4
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
  echo "bench-start: $dpi DPI, $rounds rounds"
  "$MORVEX_WINE" "$build/tests/bench/bench_start.exe" "$rounds" \
    "$(windows_path "$build/tests/bench/bare_dialog.exe")" \
    "$(windows_path "$build/tests/bench/window_templates.exe")" \
    "$(windows_path "$build/src/app/Morvex.exe")"
  exit
fi

rounds=${1:-40}
preset=${2:-mingw}
shift $(($# < 2 ? $# : 2))
dpis=("$@")
[ ${#dpis[@]} -gt 0 ] || dpis=(96 192)
if [ "$rounds" -lt 40 ]; then
  echo "bench-start: $rounds rounds; at least 40 give a median and a spread worth reading" >&2
fi

. cmake/wine-env.sh # morvex_wine_screen
bash scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target Morvex bare_dialog window_templates bench_start morvex_remote

for dpi in "${dpis[@]}"; do
  xvfb-run -a -s "-screen 0 $(morvex_wine_screen "$dpi")x24" \
    bash "$0" --inside-xvfb "$rounds" "$preset" "$dpi"
done
