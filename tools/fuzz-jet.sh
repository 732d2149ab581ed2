#!/usr/bin/env bash
# Builds the Jet SQL fuzz target (clang, libFuzzer, AddressSanitizer, UBSan) in build-fuzz/ and
# runs it for SECONDS (default 60) on the checked-in corpus: statements are translated, then run
# under the guard on an in-memory database.   bash tools/fuzz-jet.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
out=build-fuzz
mkdir -p "$out/corpus"
# shellcheck disable=SC2046
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -DSQLITE_HAS_CODEC -I. \
  $(pkg-config --cflags sqlcipher) tests/jet/fuzz/translate_fuzz.cpp data/jet/*.cpp data/values/*.cpp \
  $(pkg-config --libs sqlcipher) -o "$out/translate_fuzz"
cp -n tests/jet/fuzz/corpus/* "$out/corpus/" 2>/dev/null || true
"$out/translate_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -dict=tests/jet/fuzz/jet.dict "$out/corpus" 2>&1 | tail -n 4
echo "fuzz-jet: ${seconds}s without a finding"
