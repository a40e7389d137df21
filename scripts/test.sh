#!/usr/bin/env bash
# Checks the layout of the sources, builds the project and runs every test:
# the test suite as built for use, the same suite built with AddressSanitizer
# and UndefinedBehaviorSanitizer, and a short run of each fuzz target.
# Installs what is missing first.
#   FUZZ_SECONDS=N scripts/test.sh    (default 30 seconds per fuzz target)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh clang libclang-rt-14-dev locales

bash scripts/check-format.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

# Warnings are errors here (see cmake/Warnings.cmake); a plain build keeps them warnings.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build build -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUARRIMAX_SANITIZE=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build build-asan -j"$jobs"

bash scripts/fuzz.sh "${FUZZ_SECONDS:-30}"

echo "== tests built with AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== tests"
ctest --test-dir build --output-on-failure -j"$jobs"
