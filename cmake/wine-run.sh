#!/bin/sh
# Runs one Windows program under Wine in the project's own 64-bit prefix:
#   wine-run.sh PREFIX PROGRAM.exe [ARGS...]
# CTest uses it as the cross-compiling emulator. The prefix is created on first use.
set -eu
prefix=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
morvex_wine_env "$prefix"
morvex_wine_prefix
exec "$MORVEX_WINE" "$@"
