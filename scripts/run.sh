#!/usr/bin/env bash
# Builds the program and starts it. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
if [ -x build/quarrimax ]; then
  exec build/quarrimax "$@"
fi
echo "Built the galaxy core and build/bench/galaxy_bench; the windows are not part of this build yet."
exec build/bench/galaxy_bench
