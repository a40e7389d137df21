#!/usr/bin/env bash
# Builds Quarrimax and starts it. Installs what is missing first.
# Only the program is built, and the sample galaxy beside it; the tests are
# built by scripts/test.sh. The build folder is the program's folder:
# sample.gxy and dump.txt are there. The windows need a desktop (a display).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

# A player's build: warnings stay warnings, so that a newer compiler still
# builds the program, even where scripts/test.sh made build/ stop on them.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=OFF
cmake --build build -j"$(nproc)" --target quarrimax
exec build/quarrimax "$@"
