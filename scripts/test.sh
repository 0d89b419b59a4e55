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
morvex_wine_stop
trap morvex_wine_stop EXIT

# The two runs share one registry, so they run one after the other, the 64-bit run last, so
# that its summary closes the output. Where the host runs 32-bit code natively the 32-bit
# product runs the whole suite too; where it emulates it (about a minute per process), the
# 32-bit build has only the checks about the 32-bit process itself (cmake/MorvexTesting.cmake).
if ! morvex_native32; then
  echo "test.sh: 32-bit build: only its WOW64 checks run, the unit, resource and window tests" \
       "run on the 64-bit build alone (this host emulates 32-bit code: a minute per process)"
fi
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  . cmake/wine-env.sh
  morvex_wine_env build/wineprefix
  status=0
  ctest --preset mingw || status=1
  ctest --preset mingw64 || status=1
  morvex_wine_stop
  exit $status'
