#!/usr/bin/env bash
# Fuzzes the pure parsers natively with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# for a bounded time each:  scripts/fuzz.sh [SECONDS] [FUZZER...]   (default 60 seconds each)
# The fuzzers are targets of the native preset (tests/fuzz): the translation-file parser
# (strings_file_fuzzer), the dialog-init parser (dlg_init_fuzzer), the catalogue's reading of
# a file through short reads and read errors (catalogue_fuzzer), the Registry.pol reader
# (registry_pol_fuzzer) and the preference Registry.xml reader (preference_xml_fuzzer). Not
# part of the normal test run. Each corpus grows in build/fuzz/NAME; a crash leaves its input
# in build/fuzz too.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
fuzzers=("$@")
[ ${#fuzzers[@]} -gt 0 ] || fuzzers=(strings_file_fuzzer dlg_init_fuzzer catalogue_fuzzer registry_pol_fuzzer preference_xml_fuzzer)

cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target "${fuzzers[@]}" pol_tool

out=build/fuzz
for fuzzer in "${fuzzers[@]}"; do
  corpus="$out/$fuzzer"
  mkdir -p "$corpus"
  options=()
  case "$fuzzer" in
    # Seeds: the real translation files and the dictionary of the format's special bytes.
    strings_file_fuzzer|catalogue_fuzzer)
      cp -f lang/*.strings "$corpus/" 2>/dev/null || true
      options=(-dict=tests/fuzz/strings_file.dict) ;;
    # Seed: a Registry.pol as our writer makes it (every record form it writes).
    registry_pol_fuzzer)
      build/native/tests/native/pol_tool write "$corpus/seed.pol" ;;
    # Seed: one item of each kind; the dictionary holds the format's words.
    preference_xml_fuzzer)
      printf '%s' '<?xml version="1.0" encoding="utf-8"?><RegistrySettings><Collection name="c">' \
        '<Registry name="n"><Properties action="U" hive="HKEY_LOCAL_MACHINE" key="K" name="A"' \
        ' type="REG_DWORD" value="000000FF"/></Registry><Registry disabled="1"><Properties' \
        ' action="C" default="1" hive="HKEY_CURRENT_USER" key="K&amp;" type="REG_SZ" value="x&#x41;"/>' \
        '</Registry></Collection><!-- c --></RegistrySettings>' >"$corpus/seed.xml"
      options=(-dict=tests/fuzz/registry_xml.dict) ;;
  esac
  echo "fuzz.sh: $fuzzer for $seconds s"
  "build/native/fuzz/$fuzzer" -max_total_time="$seconds" -max_len=4096 "${options[@]}" \
    -artifact_prefix="$out/$fuzzer-" -print_final_stats=1 "$corpus"
done
