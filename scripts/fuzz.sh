#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]     (default 30)
# The seed corpus is made here by galaxy_bench; what the fuzzers find is kept
# in build-fuzz/corpus between runs. A target that breaks a property stops
# with a crash file in build-fuzz/ and this script fails.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
build=build-fuzz
targets=(fuzz_report fuzz_merge fuzz_typednumbers)

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DQUARRIMAX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" galaxy_bench

corpus="$build/corpus"
seeds="$build/seeds"
rm -rf "$seeds"
mkdir -p "$seeds"/{fuzz_report,fuzz_merge,fuzz_typednumbers} "$corpus"/{fuzz_report,fuzz_merge,fuzz_typednumbers}
tool="$build/bench/galaxy_bench"
for records in 0 1 2 3 7; do
  "$tool" generate "$seeds/g$records.gxy" "$records" --seed "$((records + 11))"
  cp "$seeds/g$records.gxy" "$seeds/fuzz_report/galaxy-$records"
done
head -c 700 "$seeds/g3.gxy" > "$seeds/fuzz_report/partial-record"
# A merge input: two bytes giving the target's length, the target, the source.
split_bytes() { printf "\\x$(printf %02x $(($1 % 256)))\\x$(printf %02x $(($1 / 256)))"; }
{ split_bytes 988; cat "$seeds/g2.gxy" "$seeds/g3.gxy"; } > "$seeds/fuzz_merge/two-into-three"
{ split_bytes 4; head -c 4 "$seeds/g0.gxy"; cat "$seeds/g7.gxy"; } > "$seeds/fuzz_merge/into-header-only"
{ split_bytes 0; cat "$seeds/g1.gxy"; } > "$seeds/fuzz_merge/into-empty"
{ split_bytes 496; cat "$seeds/g1.gxy" "$seeds/g1.gxy"; } > "$seeds/fuzz_merge/same-content"
{ split_bytes 700; cat "$seeds/g2.gxy" "$seeds/g3.gxy"; } > "$seeds/fuzz_merge/into-incomplete"
for text in "" "0" "45" " 07" "-12.5" "2.5" "3.5" "1e3" "1E-2x" "32767.5" "-32768.5" "1e400" ".5" "+." "60 s"; do
  printf '%s' "$text" > "$seeds/fuzz_typednumbers/$(printf '%s' "$text" | od -An -tx1 | tr -d ' \n')x"
done

status=0
for target in "${targets[@]}"; do
  echo "== $target: ${seconds} s"
  if ! "$build/tests/fuzz/$target" "$corpus/$target" "$seeds/$target" \
      -max_total_time="$seconds" -max_len=8192 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$build/$target-" 2> "$build/$target.log"; then
    status=1
    tail -n 40 "$build/$target.log"
  fi
  grep -E '^stat::number_of_executed_units|^Done [0-9]+ runs' "$build/$target.log" || true
done
exit $status
