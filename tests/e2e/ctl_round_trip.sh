#!/usr/bin/env bash
# Round trip through a registry tool that is not ours: MorvexCtl export on the test prefix,
# Wine's own 64-bit reg.exe imports the file into a brand-new prefix, and MorvexCtl status
# --json there must say exactly what it says on the first prefix. Then the same policy as
# Group Policy files (export --format pol and gpp): what they set, read by our own readers
# (GP_VALUES_EXE) and by readers that are not ours (Samba's PReg code, Python's XML parser),
# must be the values that reg import left in the new prefix's 64-bit view.
#   ctl_round_trip.sh SOURCE_DIR MORVEXCTL_EXE TEST_PREFIX WORK_DIR GP_VALUES_EXE
set -euo pipefail
source_dir=$1
ctl=$2
test_prefix=$3
work=$4
gp_values=$5
. "$source_dir/cmake/wine-env.sh"

fresh_prefix="$work/fresh-prefix"
mkdir -p "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# in_prefix PREFIX COMMAND...: one Wine process in that prefix (created on first use).
in_prefix() {
  local prefix=$1
  shift
  (morvex_wine_env "$prefix" && morvex_wine_prefix && "$MORVEX_WINE" "$@")
}
reg() { in_prefix "$1" reg "${@:2}"; }
ctl() { in_prefix "$1" "$ctl" "${@:2}" | tr -d '\r'; }

hklm_explorer='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\policies\Explorer'
hkcu_explorer='HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\policies\Explorer'
mapping_key='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\IniFileMapping\Autorun.inf'
cdrom_key='HKLM\SYSTEM\CurrentControlSet\Services\cdrom'
keys=("$mapping_key" "$hklm_explorer" "$hkcu_explorer" "$cdrom_key")

# The six values of the policy, as reg.exe shows them; the default value is "(Default)".
policy_values() {
  local prefix=$1
  reg "$prefix" query "$mapping_key" /ve 2>/dev/null | tr -d '\r' | grep -i 'REG_' || echo "mapping absent"
  for key in "$hklm_explorer" "$hkcu_explorer"; do
    for name in NoDriveTypeAutoRun NoDriveAutoRun; do
      reg "$prefix" query "$key" /v "$name" 2>/dev/null | tr -d '\r' | grep -i 'REG_' || echo "$key $name absent"
    done
  done
  reg "$prefix" query "$cdrom_key" /v AutoRun 2>/dev/null | tr -d '\r' | grep -i 'REG_' || echo "cdrom absent"
}

clear_policy() {
  local prefix=$1
  reg "$prefix" delete "$mapping_key" /ve /f >/dev/null 2>&1 || true
  for key in "$hklm_explorer" "$hkcu_explorer"; do
    reg "$prefix" delete "$key" /v NoDriveTypeAutoRun /f >/dev/null 2>&1 || true
    reg "$prefix" delete "$key" /v NoDriveAutoRun /f >/dev/null 2>&1 || true
  done
  reg "$prefix" delete "$cdrom_key" /v AutoRun /f >/dev/null 2>&1 || true
}

# The six values of a prefix as gp_values prints them: the machine's, then the user's.
gp_lines() {
  local prefix=$1 hive key name found type data
  while IFS='|' read -r hive key name; do
    if [ -z "$name" ]; then
      found=$(reg "$prefix" query "$hive\\$key" /ve 2>/dev/null | tr -d '\r' | grep 'REG_' || true)
    else
      found=$(reg "$prefix" query "$hive\\$key" /v "$name" 2>/dev/null | tr -d '\r' | grep 'REG_' || true)
    fi
    type=$(sed -E 's/^.*(REG_[A-Z_]+)    .*$/\1/' <<<"$found")
    data=$(sed -E 's/^.*REG_[A-Z_]+    (.*)$/\1/' <<<"$found")
    case "$type" in
      REG_DWORD) printf '%s\\%s\\%s=dword:%08x\n' "$hive" "$key" "${name:-@}" "$((data))" ;;
      REG_SZ)
        if [ "$data" = "(value not set)" ]; then
          printf '%s\\%s\\%s=absent\n' "$hive" "$key" "${name:-@}"
        else
          printf '%s\\%s\\%s=sz:%s\n' "$hive" "$key" "${name:-@}" "$data"
        fi ;;
      "") printf '%s\\%s\\%s=absent\n' "$hive" "$key" "${name:-@}" ;;
      *) printf '%s\\%s\\%s=%s\n' "$hive" "$key" "${name:-@}" "$type" ;;
    esac
  done <<'VALUES'
HKLM|SOFTWARE\Microsoft\Windows NT\CurrentVersion\IniFileMapping\Autorun.inf|
HKLM|SOFTWARE\Microsoft\Windows\CurrentVersion\policies\Explorer|NoDriveTypeAutoRun
HKLM|SYSTEM\CurrentControlSet\Services\cdrom|AutoRun
HKLM|SOFTWARE\Microsoft\Windows\CurrentVersion\policies\Explorer|NoDriveAutoRun
HKCU|SOFTWARE\Microsoft\Windows\CurrentVersion\policies\Explorer|NoDriveTypeAutoRun
HKCU|SOFTWARE\Microsoft\Windows\CurrentVersion\policies\Explorer|NoDriveAutoRun
VALUES
}

# gp_check WHAT [FLAGS]: the test prefix's policy exported as pol and gpp with FLAGS, read back
# three ways, against the values in the new prefix after its last reg import.
gp_check() {
  local what=$1
  shift
  local expected ours theirs status
  expected=$(gp_lines "$fresh_prefix")
  for format in pol gpp; do
    rm -rf "$work/gp-$format"
    ctl "$test_prefix" export --format "$format" --out "$(windows_path "$work/gp-$format")" "$@" \
      || fail "$what: export --format $format failed"
    ours=$(in_prefix "$test_prefix" "$gp_values" "$format" "$(windows_path "$work/gp-$format")" | tr -d '\r') \
      || fail "$what: our reader refused the $format files"
    [ "$ours" = "$expected" ] || fail "$what, $format, our reader:"$'\n'"$ours"$'\n'"reg import:"$'\n'"$expected"
    if [ ! -x /usr/bin/python3 ]; then
      echo "SKIP: no /usr/bin/python3 for the independent reading of the $format files"
      continue
    fi
    status=0
    theirs=$(/usr/bin/python3 "$source_dir/tests/e2e/gp_values.py" "$format" "$work/gp-$format") || status=$?
    if [ "$status" = 77 ]; then
      echo "$theirs"
      continue
    fi
    [ "$status" = 0 ] || fail "$what: the independent reader refused the $format files"
    [ "$theirs" = "$expected" ] \
      || fail "$what, $format, independent reader:"$'\n'"$theirs"$'\n'"reg import:"$'\n'"$expected"
  done
  echo "$what: pol and gpp files set what reg import set"
}

# The test prefix is shared with the other tests: its four keys are exported first and put
# back at the end (the six values cleared, then the saved keys imported again).
for i in "${!keys[@]}"; do
  rm -f "$work/saved-$i.reg"
  reg "$test_prefix" export "${keys[$i]}" "$(windows_path "$work/saved-$i.reg")" /y >/dev/null 2>&1 || true
done
put_back() {
  clear_policy "$test_prefix"
  for i in "${!keys[@]}"; do
    if [ -f "$work/saved-$i.reg" ]; then
      reg "$test_prefix" import "$(windows_path "$work/saved-$i.reg")" >/dev/null 2>&1 || true
    fi
  done
  # The fresh prefix's own server goes with it.
  if [ -d "$fresh_prefix" ]; then
    (morvex_wine_env "$fresh_prefix" && morvex_wine_stop) || true
    rm -rf "$fresh_prefix" "$fresh_prefix.lock"
  fi
}
trap put_back EXIT

# A policy in both hives, saved once by MorvexCtl so that the test prefix holds what Save
# writes; then the file of what Save would write now.
clear_policy "$test_prefix"
reg "$test_prefix" add "$hklm_explorer" /v NoDriveTypeAutoRun /t REG_DWORD /d 0x91 /f >/dev/null
reg "$test_prefix" add "$hkcu_explorer" /v NoDriveTypeAutoRun /t REG_DWORD /d 0x04 /f >/dev/null
ctl "$test_prefix" set --autorun-inf off --letters "e c" >/dev/null || true
ctl "$test_prefix" export --out "$(windows_path "$work/policy.reg")" || fail "export failed"
first_json=$(ctl "$test_prefix" status --json || true)
first_values=$(policy_values "$test_prefix")

# A brand-new prefix each time: nothing of an earlier run may help the import.
(morvex_wine_env "$fresh_prefix" && morvex_wine_stop) || true
rm -rf "$fresh_prefix" "$fresh_prefix.lock"
reg "$fresh_prefix" import "$(windows_path "$work/policy.reg")" || fail "reg import rejected the exported file"
second_json=$(ctl "$fresh_prefix" status --json || true)
second_values=$(policy_values "$fresh_prefix")

echo "test prefix:  $first_json"
echo "fresh prefix: $second_json"
[ "$first_json" = "$second_json" ] || fail "status --json differs after the import"
[ "$first_values" = "$second_values" ] || fail "the values differ: $first_values / $second_values"
# What Save writes for this policy: autorun.inf ignored, unknown, removable and network
# drives off (0x97 with the always-set 0x02), C and E (0x14) in both hives, CD-ROM AutoRun 1.
expected='"registry":{"HKLM":{"IniFileMapping":"@SYS:DoesNotExist","NoDriveTypeAutoRun":151,"CdromAutoRun":1,"NoDriveAutoRun":20},"HKCU":{"NoDriveTypeAutoRun":151,"NoDriveAutoRun":20}}'
case "$second_json" in
  *"$expected"*) ;;
  *) fail "not the values Save writes: $second_json" ;;
esac

gp_check "the policy as saved"

# The other form of the mapping: honouring autorun.inf again deletes the value (@=-).
ctl "$test_prefix" export --autorun-inf on --out "$(windows_path "$work/policy-on.reg")" || fail "export failed"
grep -q '^@=-' <(iconv -f UTF-16 -t UTF-8 "$work/policy-on.reg" | tr -d '\r') || fail "no @=- in the file"
reg "$fresh_prefix" import "$(windows_path "$work/policy-on.reg")" || fail "reg import rejected @=-"
third_json=$(ctl "$fresh_prefix" status --json || true)
case "$third_json" in
  *'"runAutorunInf":true,'*'"IniFileMapping":null,'*) ;;
  *) fail "the mapping was not deleted: $third_json" ;;
esac
gp_check "autorun.inf honoured again" --autorun-inf on
echo "round trip through reg import: same status, same values"
