#!/usr/bin/env bash
# Builds the salvage's page decoder fuzz target (clang, libFuzzer, AddressSanitizer, UBSan) in
# build-fuzz/ and runs it for SECONDS (default 60). The seeds are the pages of a plain database
# made here by the sqlite3 shell (tables, indexes, long values on overflow pages, free pages):
# nothing is decrypted to make them.   bash tools/fuzz-pages.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
out=build-fuzz
mkdir -p "$out/page-corpus"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I. \
  tests/repair/fuzz/page_fuzz.cpp repair/salvage/btree.cpp repair/salvage/schema_row.cpp -o "$out/page_fuzz"
if [ -z "$(ls -A "$out/page-corpus")" ]; then
  seed=$(mktemp -d)
  for size in 4096 16384; do
    sqlite3 "$seed/db$size" "PRAGMA page_size = $size;
      CREATE TABLE logs (LogId INTEGER PRIMARY KEY AUTOINCREMENT, dates TEXT, UserName TEXT, Amount REAL, Data BLOB);
      CREATE INDEX idxLogsDates ON logs (dates);
      WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 3000)
        INSERT INTO logs (dates, UserName, Amount, Data) SELECT '2026-12-09 10:00:' || n, 'user ' || n, n * 1.5,
          CASE WHEN n % 500 = 0 THEN randomblob(40000) ELSE NULL END FROM c;
      DELETE FROM logs WHERE LogId % 3 = 0;"
    split -b "$size" -d -a 4 "$seed/db$size" "$out/page-corpus/p$size-"
  done
  rm -rf "$seed"
fi
"$out/page_fuzz" -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 "$out/page-corpus" 2>&1 | tail -n 4
echo "fuzz-pages: ${seconds}s without a finding"
