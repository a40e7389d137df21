#!/usr/bin/env bash
# Builds Quarrimax and starts it. Installs what is missing first.
# Only the program is built, and the sample galaxy beside it; the tests are
# built by scripts/test.sh. The build folder is the program's folder:
# sample.gxy and dump.txt are there. The windows need a desktop (a display).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target quarrimax
exec build/quarrimax "$@"
