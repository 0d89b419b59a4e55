#!/usr/bin/env bash
# Times three ways of switching AutoRun off completely, interleaved in one run so that the
# machine's load falls on all three alike:
#   ctl     one MorvexCtl disable-all
#   regadd  one reg add process per value that disable-all writes
#   import  one reg import of the file MorvexCtl export gives for that policy
# and prints the median of each and the ratios to MorvexCtl. A measurement, not a test.
#   scripts/bench-ctl.sh [ROUNDS] [PRESET]     (defaults: 21 rounds, mingw64)
# It runs in a prefix of its own (build/bench-wineprefix, created on first use), so that the
# test prefix's registry stays as the tests left it. The 32-bit build (PRESET mingw) runs
# emulated on hosts without native 32-bit execution and then measures the emulator.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
rounds=${1:-21}
preset=${2:-mingw64}
ctl="$root/build/$preset/src/ctl/MorvexCtl.exe"
[ -f "$ctl" ] || { echo "no $ctl: build first (cmake --build --preset $preset)" >&2; exit 1; }

. cmake/wine-env.sh
morvex_wine_env build/bench-wineprefix
morvex_wine_prefix
work="$root/build/bench-ctl"
mkdir -p "$work"
trap morvex_wine_stop EXIT

run() { "$MORVEX_WINE" "$@" >/dev/null 2>&1; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

explorer='SOFTWARE\Microsoft\Windows\CurrentVersion\policies\Explorer'
mapping='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\IniFileMapping\Autorun.inf'
cdrom='HKLM\SYSTEM\CurrentControlSet\Services\cdrom'

# Start state of every round: drive types 0x91 and the letters C and E in HKLM.
reset() {
  run reg add "HKLM\\$explorer" /v NoDriveTypeAutoRun /t REG_DWORD /d 0x91 /f
  run reg add "HKLM\\$explorer" /v NoDriveAutoRun /t REG_DWORD /d 0x14 /f
}

# The file of exactly what disable-all writes from that state.
reset
"$MORVEX_WINE" "$ctl" export --out "$(windows_path "$work/all-off.reg")" --autorun-inf off --unknown off \
  --removable off --fixed off --network off --cdrom off --ramdisk off
# Disable Everything and Save writes six values (the seven switches make up four of them, the
# letters the other two): the same six, one reg add each.
reg_adds() {
  run reg add "$mapping" /ve /t REG_SZ /d "@SYS:DoesNotExist" /f
  run reg add "HKCU\\$explorer" /v NoDriveTypeAutoRun /t REG_DWORD /d 0xff /f
  run reg add "HKLM\\$explorer" /v NoDriveTypeAutoRun /t REG_DWORD /d 0xff /f
  run reg add "$cdrom" /v AutoRun /t REG_DWORD /d 0 /f
  run reg add "HKLM\\$explorer" /v NoDriveAutoRun /t REG_DWORD /d 0x14 /f
  run reg add "HKCU\\$explorer" /v NoDriveAutoRun /t REG_DWORD /d 0x14 /f
}
way_ctl() { run "$ctl" disable-all; }
way_regadd() { reg_adds; }
way_import() { run reg import "$(windows_path "$work/all-off.reg")"; }

now() { date +%s%N; }
declare -A times
ways=(ctl regadd import)
for ((r = 0; r < rounds; r++)); do
  # A different order each round: no way always runs first after the reset.
  for ((k = 0; k < 3; k++)); do
    way=${ways[$(((r + k) % 3))]}
    reset
    start=$(now)
    "way_$way"
    times[$way]+="$((($(now) - start) / 1000000)) "
  done
done

median() { tr ' ' '\n' <<<"$1" | grep . | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
m_ctl=$(median "${times[ctl]}")
m_regadd=$(median "${times[regadd]}")
m_import=$(median "${times[import]}")
echo "rounds: $rounds, build: $preset (medians in ms)"
echo "MorvexCtl disable-all:   $m_ctl"
echo "6 x reg add:             $m_regadd  ($(awk -v a="$m_regadd" -v b="$m_ctl" 'BEGIN {printf "%.2f", a / b}') x MorvexCtl)"
echo "reg import of the file:  $m_import  ($(awk -v a="$m_import" -v b="$m_ctl" 'BEGIN {printf "%.2f", a / b}') x MorvexCtl)"
