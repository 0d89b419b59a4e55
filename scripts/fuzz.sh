#!/usr/bin/env bash
# Fuzzes the translation-file parser natively with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer for a bounded time:  scripts/fuzz.sh [SECONDS]   (default 60)
# Needs clang and libclang-rt-14-dev (scripts/setup.sh installs them). Not part of the
# normal test run. The corpus grows in build/fuzz/corpus; a crash leaves its input there too.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
out=build/fuzz
mkdir -p "$out/corpus"

clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I src/localisation src/localisation/StringsFile.cpp tests/fuzz/strings_file_fuzzer.cpp \
  -o "$out/strings_file_fuzzer"

# Seeds: the real translation files and the dictionary of the format's special bytes.
cp -f lang/*.strings "$out/corpus/" 2>/dev/null || true

exec "$out/strings_file_fuzzer" -max_total_time="$seconds" -max_len=4096 \
  -dict=tests/fuzz/strings_file.dict -artifact_prefix="$out/" -print_final_stats=1 \
  "$out/corpus"
