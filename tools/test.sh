#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
status=0
ctest --test-dir build --output-on-failure -j2 "$@" || status=$?
# The failure-injection figures the tests printed, as one table.
if grep -q '\[figures\]' build/Testing/Temporary/LastTest.log 2>/dev/null; then
  echo
  echo "== Reliability figures =="
  grep -ho '\[figures\].*' build/Testing/Temporary/LastTest.log | sed 's/^\[figures\] /  /' | sort -u
fi
[ "$status" -eq 0 ] || exit "$status"
if [ -x tools/fuzz-jet.sh ]; then bash tools/fuzz-jet.sh 20; fi
if [ -x tools/fuzz-pages.sh ]; then bash tools/fuzz-pages.sh 20; fi
