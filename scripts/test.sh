#!/usr/bin/env bash
# Runs every test, headless: installs what is missing, builds the 64-bit test build and the
# 32-bit product build, and runs their tests under Wine in the project's own prefix
# (build/wineprefix), in one virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)
# The pure code natively under the sanitizers first: seconds, and no Wine.
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native

cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64 -j "$jobs"
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$jobs"

# Wine's desktop process belongs to the wineserver and keeps the display it was started
# with: stop a server left from an earlier run, so that this run's one starts on this run's
# X server, and stop it again at the end, before that X server goes away.
. cmake/wine-env.sh
morvex_wine_env build/wineprefix
export MORVEX_WINESERVER
stop_wine() { "$MORVEX_WINESERVER" -k >/dev/null 2>&1 || true; }
stop_wine
trap stop_wine EXIT

# The two runs share one registry, so they run one after the other. The 32-bit build runs
# only the checks that are about the 32-bit process itself; the 64-bit run comes last, so
# that its summary closes the output.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  status=0
  ctest --preset mingw || status=1
  ctest --preset mingw64 || status=1
  "$MORVEX_WINESERVER" -k >/dev/null 2>&1 || true
  exit $status'
