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

morvex_wine_stop
export MORVEX_HERE="$here" MORVEX_DPI="$dpi" MORVEX_REMOTE="$remote"
xvfb-run -a -s "-screen 0 $(morvex_wine_screen "$dpi")x24" sh -c '
  . "$MORVEX_HERE/wine-env.sh"
  morvex_wine_env "$WINEPREFIX"
  morvex_wine_prefix
  morvex_wine_dpi "$MORVEX_REMOTE" "$MORVEX_DPI" || exit 1
  MORVEX_EXPECTED_DPI=$MORVEX_DPI "$MORVEX_WINE" "$@"
  status=$?
  "$MORVEX_WINE" "$MORVEX_REMOTE" dpi 0
  "$MORVEX_WINE" "$MORVEX_REMOTE" desktop-size "$(morvex_wine_screen 0)"
  morvex_wine_stop
  exit $status' at-dpi "$@"
