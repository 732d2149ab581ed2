#!/usr/bin/env bash
# Builds (optimised) and runs the benchmarks; each prints its figures as ratios measured side by side.
#   bash bench/run.sh [SIZE_MB ...]      e.g. bash bench/run.sh 10 100 1000
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench -j"$(nproc)" --target compaction_bench
build-bench/bench/compaction_bench "$@"
