#!/usr/bin/env bash
# Builds the Jet SQL translation fuzz target (clang, libFuzzer, AddressSanitizer, UBSan) and runs
# it for SECONDS (default 60) on the checked-in corpus.   bash tools/fuzz-jet.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
out=build-fuzz
mkdir -p "$out/corpus"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I. \
  tests/jet/fuzz/translate_fuzz.cpp data/jet/translate.cpp data/jet/tokenizer.cpp data/jet/dates.cpp data/datetime.cpp \
  -o "$out/translate_fuzz"
cp -n tests/jet/fuzz/corpus/* "$out/corpus/" 2>/dev/null || true
"$out/translate_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=5 "$out/corpus" 2>&1 | tail -n 4
echo "fuzz-jet: ${seconds}s without a finding"
