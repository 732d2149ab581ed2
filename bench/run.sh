#!/usr/bin/env bash
# Builds (optimised) and runs the benchmarks; each prints its figures as ratios measured side by side.
#   bash bench/run.sh [--only NAME] [SIZE_MB ...]   e.g. bash bench/run.sh 10 100 1000
#   NAME: compaction (takes the sizes), startup (start-up and idle memory), statements, import
set -euo pipefail
cd "$(dirname "$0")/.."
only=""
if [[ "${1:-}" == "--only" ]]; then
  only="${2:?--only needs one of: compaction startup statements import}"
  shift 2
fi
case "$only" in
  ""|compaction|startup|statements|import) ;;
  *) echo "bench/run.sh: unknown benchmark '$only' (compaction, startup, statements, import)" >&2; exit 2 ;;
esac
bash tools/setup-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release >/dev/null
targets=(compaction_bench startup_bench statements_bench import_bench)
[[ -n "$only" ]] && targets=("${only}_bench")
cmake --build build-bench -j"$(nproc)" --target "${targets[@]}"
want() { [[ -z "$only" || "$only" == "$1" ]]; }
if want compaction; then build-bench/bench/compaction_bench "$@"; echo; fi
if want startup; then QT_QPA_PLATFORM=offscreen build-bench/bench/startup_bench; echo; fi
if want statements; then build-bench/bench/statements_bench; echo; fi
if want import; then build-bench/bench/import_bench; fi
