#!/usr/bin/env bash
# Installs what is missing, builds the utility, makes a demo installation beside the executable
# (build/bin/database) when there is none yet, and starts the utility on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
if [ ! -e build/bin/database/DBStart.mdb ]; then build/tools/demo/ornetta-demo build/bin; fi
if [ -x build/bin/ornetta ]; then
  exec build/bin/ornetta
else
  echo "The window is not built yet: the demo installation is in build/bin/database."
fi
