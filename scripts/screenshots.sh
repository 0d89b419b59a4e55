#!/usr/bin/env bash
# Takes a picture of every page of the Morvex window in every language, into
# build/screenshots/<language>-<page>.png. Builds what is missing (64-bit build of the
# product's sources) and runs the program in a virtual X server inside the project's prefix
# (build/wineprefix); tests/e2e/morvex_remote.exe switches pages and languages.
#
#   scripts/screenshots.sh [--dpi 96|120|144|192]
#
# With --dpi the screen has that DPI (Wine's LogPixels; the Wine server is restarted for it
# and the setting removed at the end) and the files are named <language>-<page>-<dpi>dpi.png.
# Wine has no high-contrast schemes (SPI_SETHIGHCONTRAST does nothing there).
# With --unreadable the window shows a policy it could not read completely: the user's
# NoDriveTypeAutoRun of three bytes, the machine's switching removable and network drives off
# and the CD-ROM service off (the error box at the start is answered; the three values are
# removed again at the end); the files are named <language>-<page>[-<dpi>dpi]-unreadable.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
. cmake/wine-env.sh

dpi=0
inside=
unreadable=
while [ $# -gt 0 ]; do
  case $1 in
    --dpi) dpi=$2; shift 2 ;;
    --unreadable) unreadable=yes; shift ;;
    --inside-xvfb) inside=yes; shift ;;
    *) echo "screenshots: unknown argument $1" >&2; exit 2 ;;
  esac
done

if [ -z "$inside" ]; then
  bash scripts/setup.sh
  cmake --preset mingw64 >/dev/null
  cmake --build --preset mingw64 --target Morvex morvex_remote -j "$(nproc)"
  # Always a virtual X server of our own: the same screen size every time, and nothing of the
  # user's desktop in the pictures.
  args=(--dpi "$dpi")
  [ -n "$unreadable" ] && args+=(--unreadable)
  # A screen of more DPI has more pixels.
  exec xvfb-run -a -s "-screen 0 $(morvex_wine_screen "$dpi")x24" bash "$0" --inside-xvfb "${args[@]}"
fi

build="$root/build/mingw64"
exe="$build/src/app/Morvex.exe"
remote="$build/tests/e2e/morvex_remote.exe"
out="$root/build/screenshots"
suffix=
[ "$dpi" != 0 ] && suffix="$suffix-${dpi}dpi"
[ -n "$unreadable" ] && suffix="$suffix-unreadable"
mkdir -p "$out"

morvex_wine_env "$root/build/wineprefix"
morvex_wine_prefix
wine() { "$MORVEX_WINE" "$@"; }

# A Wine desktop of the screen's size for the program and the remote control, so that both
# see the same windows and closing is quick; removed again at the end. The server starts
# again for the DPI, and so on this X server.
programs=(Morvex.exe morvex_remote.exe)
wine "$remote" desktop on "${programs[@]}"
morvex_wine_dpi "$remote" "$dpi"
program=
finish() {
  [ -n "$program" ] && { kill "$program" 2>/dev/null || true; wait "$program" 2>/dev/null || true; }
  wine "$remote" desktop off "${programs[@]}" || true
  wine "$remote" desktop-size "$(morvex_wine_screen 0)" || true
  if [ "$dpi" != 0 ]; then
    wine "$remote" dpi 0 || true
    morvex_wine_stop
  fi
}
trap finish EXIT

explorer='SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\Explorer'
cdrom='SYSTEM\CurrentControlSet\Services\cdrom'
break_policy() {
  wine reg add "HKCU\\$explorer" /v NoDriveTypeAutoRun /t REG_BINARY /d 910000 /f /reg:64 >/dev/null
  wine reg add "HKLM\\$explorer" /v NoDriveTypeAutoRun /t REG_DWORD /d 20 /f /reg:64 >/dev/null
  wine reg add "HKLM\\$cdrom" /v AutoRun /t REG_DWORD /d 0 /f /reg:64 >/dev/null
}
mend_policy() {
  wine reg delete "HKCU\\$explorer" /v NoDriveTypeAutoRun /f /reg:64 >/dev/null 2>&1 || true
  wine reg delete "HKLM\\$explorer" /v NoDriveTypeAutoRun /f /reg:64 >/dev/null 2>&1 || true
  wine reg delete "HKLM\\$cdrom" /v AutoRun /f /reg:64 >/dev/null 2>&1 || true
}
[ -n "$unreadable" ] && { break_policy; trap 'mend_policy; finish' EXIT; }

wine "$exe" &
program=$!
if [ -n "$unreadable" ]; then
  # The error box comes before the window.
  for _ in $(seq 120); do
    wine "$remote" boxes 2>/dev/null || true
    wine "$remote" wait 1 2>/dev/null && break
  done
fi
wine "$remote" wait 120

languages=(en de fr)
pages=(disable-autorun by-drive-type by-drive-letter)
for l in 0 1 2; do
  wine "$remote" lang "$l"
  for p in 0 1 2; do
    wine "$remote" tab "$p"
    sleep 0.5 # let the page paint
    rect=$(wine "$remote" rect | tr -d '\r')
    file="$out/${languages[$l]}-$((p + 1))-${pages[$p]}$suffix.png"
    import -window root -crop "$rect" +repage "$file"
    echo "screenshots: $file"
  done
done
wine "$remote" lang 0
wine "$remote" close
wait "$program" || true
program=
echo "screenshots: all in $out"
