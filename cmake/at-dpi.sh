#!/bin/sh
# Runs a window test program at another screen DPI, on a screen large enough for the window:
#   at-dpi.sh PREFIX DPI MORVEX_REMOTE.exe TEST.exe [ARGS...]
# Wine reads the DPI (LogPixels) when its server starts, and its desktop window belongs to the
# server, so the run gets a server of its own on an X server of its own; afterwards the
# setting is removed and that server stopped, and the next Wine program starts a normal one.
set -u
prefix=$1 dpi=$2 remote=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
morvex_wine_env "$prefix"

# Screen pixels for a 1024 x 768 screen at 96 DPI, grown in proportion.
width=$((1024 * dpi / 96))
height=$((768 * dpi / 96))

"$MORVEX_WINESERVER" -k >/dev/null 2>&1 || true
"$MORVEX_WINESERVER" -w >/dev/null 2>&1 || true
export MORVEX_HERE="$here" MORVEX_DPI="$dpi" MORVEX_REMOTE="$remote" MORVEX_SCREEN="${width}x${height}"
xvfb-run -a -s "-screen 0 ${width}x${height}x24" sh -c '
  . "$MORVEX_HERE/wine-env.sh"
  morvex_wine_env "$WINEPREFIX"
  restart() {
    "$MORVEX_WINESERVER" -k >/dev/null 2>&1 || true
    "$MORVEX_WINESERVER" -w >/dev/null 2>&1 || true
    morvex_wine_prefix
  }
  morvex_wine_prefix
  "$MORVEX_WINE" "$MORVEX_REMOTE" dpi "$MORVEX_DPI" || exit 1
  "$MORVEX_WINE" "$MORVEX_REMOTE" desktop-size "$MORVEX_SCREEN" || exit 1
  restart
  MORVEX_EXPECTED_DPI=$MORVEX_DPI "$MORVEX_WINE" "$@"
  status=$?
  "$MORVEX_WINE" "$MORVEX_REMOTE" dpi 0
  "$MORVEX_WINE" "$MORVEX_REMOTE" desktop-size 1024x768
  "$MORVEX_WINESERVER" -k >/dev/null 2>&1 || true
  "$MORVEX_WINESERVER" -w >/dev/null 2>&1 || true
  exit $status' at-dpi "$@"
