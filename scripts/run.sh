#!/usr/bin/env bash
# Builds Morvex and opens it under Wine, in the project's own prefix (build/wineprefix).
#   scripts/run.sh         the 32-bit product where this host runs 32-bit code natively,
#                          otherwise the 64-bit build of the same sources
#   scripts/run.sh --32    the 32-bit product in any case (emulated here: about a minute to start)
# Without a display it runs in a virtual X server, saves a screenshot to build/screenshot.png
# and keeps the program open until you press Ctrl+C.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

force32=0
headless=0
for arg in "$@"; do
  case "$arg" in
    --32) force32=1 ;;
    --headless) headless=1 ;; # set by this script when it restarts itself under Xvfb
    -h|--help) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run.sh: unknown option $arg (see --help)" >&2; exit 2 ;;
  esac
done

if [ "$headless" -eq 0 ]; then
  bash scripts/setup.sh

  . cmake/wine-env.sh
  if morvex_native32; then
    preset=mingw
  elif [ "$force32" -eq 1 ]; then
    preset=mingw
    echo "run.sh: the 32-bit product under emulation: its window takes about a minute to open"
  else
    preset=mingw64
    echo "run.sh: this host cannot run 32-bit code natively, so this opens the 64-bit build of the"
    echo "        same sources (the product is 32-bit: scripts/run.sh --32 opens it, slowly)."
  fi
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target Morvex -j "$(nproc)"
  export MORVEX_RUN_PRESET=$preset

  if [ -z "${DISPLAY:-}" ]; then
    echo "run.sh: no display; running in a virtual X server (Xvfb)"
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --headless "$@"
  fi
fi

preset=${MORVEX_RUN_PRESET:?run.sh: started with --headless by hand}
exe="$root/build/$preset/src/app/Morvex.exe"
[ -f "$exe" ] || { echo "run.sh: $exe was not built" >&2; exit 1; }

. cmake/wine-env.sh
morvex_wine_env "$root/build/wineprefix"
echo "run.sh: preparing the Wine prefix $WINEPREFIX (the first time takes a while)"
morvex_wine_prefix

echo "run.sh: starting $exe"
if [ "$headless" -eq 1 ]; then
  # A virtual X server has no window manager to draw the window's frame; a Wine desktop
  # draws it, as Windows would.
  "$MORVEX_WINE" explorer /desktop=Morvex,1024x768 "$exe" &
else
  "$MORVEX_WINE" "$exe" &
fi
program=$!

stop() {
  # Only the program started here; Wine's server ends on its own after it. In the virtual X
  # server the Wine desktop goes too: that server ends with this script.
  kill "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
  [ "$headless" -eq 0 ] || morvex_wine_stop
}
trap 'echo; echo "run.sh: closing Morvex"; stop; exit 130' INT TERM

if [ "$headless" -eq 1 ]; then
  # Wait for the window (a 32-bit program under emulation needs about a minute), let it
  # paint, then take the picture.
  for _ in $(seq 1 180); do
    if xwininfo -root -tree 2>/dev/null | grep -q 'Morvex'; then break; fi
    kill -0 "$program" 2>/dev/null || break
    sleep 1
  done
  sleep 3
  if kill -0 "$program" 2>/dev/null; then
    import -window root "$root/build/screenshot.png"
    echo "run.sh: screenshot of the window: $root/build/screenshot.png"
    echo "run.sh: Morvex is running in the virtual display; press Ctrl+C to close it."
  fi
fi

status=0
wait "$program" || status=$?
trap - INT TERM
stop
echo "run.sh: Morvex ended (exit code $status)"
exit "$status"
