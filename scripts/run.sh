#!/usr/bin/env bash
# Builds Quarrimax and starts it. Installs what is missing first.
# The build folder is the program's folder: sample.gxy and dump.txt are there.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
exec build/quarrimax "$@"
