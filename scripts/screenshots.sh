#!/usr/bin/env bash
# Takes a picture of every page of the Morvex window in every language, into
# build/screenshots/<language>-<page>.png. Builds what is missing (64-bit build of the
# product's sources) and runs the program in a virtual X server inside the project's prefix
# (build/wineprefix); tests/e2e/morvex_remote.exe switches pages and languages.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ "${1:-}" != "--inside-xvfb" ]; then
  bash scripts/setup.sh
  cmake --preset mingw64 >/dev/null
  cmake --build --preset mingw64 --target Morvex morvex_remote -j "$(nproc)"
  # Always a virtual X server of our own: the same screen size every time, and nothing of the
  # user's desktop in the pictures.
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --inside-xvfb
fi

build="$root/build/mingw64"
exe="$build/src/app/Morvex.exe"
remote="$build/tests/e2e/morvex_remote.exe"
out="$root/build/screenshots"
mkdir -p "$out"
rm -f "$out"/*.png

. cmake/wine-env.sh
morvex_wine_env "$root/build/wineprefix"
morvex_wine_prefix
wine() { "$MORVEX_WINE" "$@"; }

# A Wine desktop of the screen's size for the program and the remote control, so that both
# see the same windows and closing is quick; removed again at the end.
programs=(Morvex.exe morvex_remote.exe)
wine "$remote" desktop on "${programs[@]}"
program=
finish() {
  [ -n "$program" ] && { kill "$program" 2>/dev/null || true; wait "$program" 2>/dev/null || true; }
  wine "$remote" desktop off "${programs[@]}" || true
}
trap finish EXIT

wine "$exe" &
program=$!
wine "$remote" wait 120

languages=(en de fr)
pages=(disable-autorun by-drive-type by-drive-letter)
for l in 0 1 2; do
  wine "$remote" lang "$l"
  for p in 0 1 2; do
    wine "$remote" tab "$p"
    sleep 0.5 # let the page paint
    rect=$(wine "$remote" rect | tr -d '\r')
    file="$out/${languages[$l]}-$((p + 1))-${pages[$p]}.png"
    import -window root -crop "$rect" +repage "$file"
    echo "screenshots: $file"
  done
done
wine "$remote" lang 0
wine "$remote" close
wait "$program" || true
program=
echo "screenshots: all in $out"
