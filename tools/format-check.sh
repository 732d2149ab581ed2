#!/usr/bin/env bash
# Checks that C++ files follow .clang-format (clang-format 14); lists those that do not and fails.
#   bash tools/format-check.sh [FILE...]     (default: every tracked .cpp and .h)
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format)
if [ "$#" -eq 0 ]; then mapfile -t files < <(git ls-files '*.cpp' '*.h'); else files=("$@"); fi
bad=0
for f in "${files[@]}"; do
  if ! "$format" --style=file --dry-run -Werror "$f" >/dev/null 2>&1; then
    echo "not formatted: $f"
    bad=$((bad + 1))
  fi
done
[ "$bad" -eq 0 ] || { echo "$bad file(s) differ from .clang-format; apply: $format -i FILE"; exit 1; }
