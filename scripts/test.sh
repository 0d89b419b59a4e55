#!/usr/bin/env bash
# Runs every test, headless: installs what is missing, builds the 64-bit test build and the
# 32-bit product build, and runs their tests under Wine in the project's own prefix
# (build/wineprefix), the window tests in a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)
cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64 -j "$jobs"
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$jobs"

# The two runs share one registry, so they run one after the other. The 32-bit build runs
# only the checks that are about the 32-bit process itself.
status=0
xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset mingw || status=1
xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset mingw64 || status=1
exit $status
