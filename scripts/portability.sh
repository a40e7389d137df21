#!/usr/bin/env bash
# Checks the galaxy core for Windows from a Linux machine: cross-built for
# 64-bit Windows with mingw-w64 and run under Wine. The reports and merges of
# galaxy_bench must be byte for byte those of the Linux build, and so must its
# numbers, in every locale, on Windows and on Linux; on Windows a merge into a
# device must fail, failures must carry the system's own error number and
# text, a galaxy file held open must stay deletable and replaceable by other
# programs, and a report taken while another program appends records must
# hold whole records only. (The program is not built for macOS.) Installs
# what it needs first.
#   bash scripts/portability.sh
# Prints one line per check and a closing count; fails when a check fails.
# Works in build-portability/: the two builds, Wine's own prefix and the
# generated files (made anew on each run, kept for a look afterwards).
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
scripts/deps.sh g++-mingw-w64-x86-64-posix wine wine64 locales
installed=$SECONDS

top=$PWD
out=$top/build-portability
work=$out/work
jobs=$(nproc)
rm -rf "$work"
mkdir -p "$work"

passed=0
failed=0
pass() {
  passed=$((passed + 1))
  echo "ok    $1"
}
fail() {
  failed=$((failed + 1))
  echo "FAIL  $1${2:+: $2}"
}
# check NAME COMMAND...: one check. The command says why it failed, or what
# it found, in its last lines.
check() {
  local name=$1 said
  shift
  if said=$("$@" 2>&1); then
    pass "$name${said:+ ($(printf '%s' "$said" | tail -n 1))}"
  else
    fail "$name" "$(printf '%s' "$said" | tail -n 3 | tr '\n' ' ')"
  fi
}

# --- the two builds ---------------------------------------------------------

# build NAME CMAKE-OPTIONS...: a clean build of galaxy_core and galaxy_bench
# alone, warnings as errors, its compiler output in NAME.log.
build() {
  local name=$1
  shift
  cmake -S . -B "$out/$name" -DQUARRIMAX_CORE_ONLY=ON -DCMAKE_BUILD_TYPE=Release -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    "$@" >"$out/$name.log" 2>&1 &&
    cmake --build "$out/$name" --clean-first -j"$jobs" >>"$out/$name.log" 2>&1
}
built_without_warnings() {
  build "$@" || { tail -n 5 "$out/$1.log"; return 1; }
  ! grep -E 'warning:' "$out/$1.log"
}

echo "== builds"
if ! build linux; then
  tail -n 20 "$out/linux.log"
  echo "the Linux build failed: nothing to compare with"
  exit 1
fi
check "Windows build (mingw-w64, cmake/mingw-w64-x86_64.cmake) without warnings" \
  built_without_warnings windows -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake"

linux_exe=$out/linux/bench/galaxy_bench
windows_exe=$out/windows/bench/galaxy_bench.exe

# --- Wine, headless, in a prefix of its own ---------------------------------

export WINEPREFIX=$out/wine WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== making a Wine prefix in $WINEPREFIX"
  wineboot -i >"$out/wineboot.log" 2>&1 || true
  wineserver -w || true
fi
# One server for the many short runs that follow, stopped at the end.
wineserver -p >/dev/null 2>&1 || true
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

# run BUILD ARGS...: galaxy_bench of one build in the current folder; prints
# what it printed (without the CR that Windows puts before each line end),
# then its exit code.
run() {
  local build=$1 status=0
  shift
  case $build in
    linux) "$linux_exe" "$@" >printed || status=$? ;;
    windows) timeout 120 wine "$windows_exe" "$@" >printed 2>/dev/null </dev/null || status=$? ;;
  esac
  tr -d '\r' <printed
  rm -f printed
  echo "exit $status"
}
linux() { "$linux_exe" "$@"; }

# --- generated galaxies ------------------------------------------------------

inputs=$work/inputs
mkdir -p "$inputs"
# put FILE OFFSET BYTES: overwrites bytes given as \xHH escapes.
put() {
  printf '%b' "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
record_at() { echo $((4 + 492 * ($1 - 1))); }
(
  cd "$inputs"
  linux generate galaxy.gxy 3000 --seed 21
  linux generate any.gxy 3000 --seed 22 --any-values
  # A Hab whose hundredfold leaves the single range (1e37) in record 25.
  linux generate overflow.gxy 40 --seed 23
  put overflow.gxy $(($(record_at 25) + 44)) '\xc2\xbd\xf0\x7c'
  linux generate source.gxy 2000 --seed 31
  linux generate target.gxy 1500 --seed 32
  head -c 4 target.gxy >header-only.gxy
  : >empty.gxy
  # System number 4097 in record 50 of a source, -1 in record 10 of a target.
  linux generate bad-source.gxy 100 --seed 33
  put bad-source.gxy "$(record_at 50)" '\x01\x10'
  linux generate bad-target.gxy 100 --seed 34
  put bad-target.gxy "$(record_at 10)" '\xff\xff'
  # 32768 records: more than a merge can count.
  linux generate huge.gxy 32768 --seed 35
)

# same CASE BUILD FILES -- ARGS...: runs galaxy_bench with ARGS in a folder of
# its own holding copies of FILES, for the Linux build (once per case) and for
# BUILD; what each printed, its exit code and every file it left must agree.
same() {
  local name=$1 build=$2 files=()
  shift 2
  while [ "$1" != -- ]; do
    files+=("$1")
    shift
  done
  shift
  local b
  for b in linux "$build"; do
    local dir=$work/$b/$name
    [ "$b" = linux ] && [ -d "$dir" ] && continue
    mkdir -p "$dir"
    if [ ${#files[@]} -gt 0 ]; then
      (cd "$inputs" && cp "${files[@]}" "$dir/")
    fi
    (cd "$dir" && run "$b" "$@" >"$work/$b/$name.printed")
  done
  if ! diff -r "$work/linux/$name" "$work/$build/$name" >/dev/null ||
    ! cmp -s "$work/linux/$name.printed" "$work/$build/$name.printed"; then
    echo "differs from the Linux build:"
    diff "$work/linux/$name.printed" "$work/$build/$name.printed" | head -n 4
    return 1
  fi
}

cases() {
  local build=$1
  local dump=(galaxy.gxy -- dump galaxy.gxy dump.txt)
  check "$build: report, thresholds 0 0" same report-plain "$build" "${dump[@]}" 0 0
  check "$build: report, rating" same report-rating "$build" "${dump[@]}" 0 0 --rating
  check "$build: report, 37 12, comma" same report-comma "$build" "${dump[@]}" 37 12 --separator ,
  check "$build: report, 37 12, rating, comma" same report-rating-comma "$build" "${dump[@]}" 37 12 --rating \
    --separator ,
  check "$build: report, thresholds ' 49.5abc' (50) and '' (0), rating" same report-odd "$build" "${dump[@]}" \
    ' 49.5abc' '' --rating
  check "$build: report, thresholds 50.5 (50) and 7.5e0 (8), comma" same report-halves "$build" "${dump[@]}" \
    50.5 7.5e0 --separator ,
  check "$build: report, thresholds -32768 and 99" same report-extremes "$build" "${dump[@]}" -32768 99
  check "$build: report of Hab and Met of every kind, rating" same report-any "$build" any.gxy -- \
    dump any.gxy dump.txt -32768 -32768 --rating
  check "$build: report of Hab and Met of every kind, -7 0, comma" same report-any-comma "$build" any.gxy -- \
    dump any.gxy dump.txt -7 0 --separator ,
  check "$build: report stopped by an overflow (error 6)" same report-overflow "$build" overflow.gxy -- \
    dump overflow.gxy dump.txt 0 0 --rating
  check "$build: merge into a new target" same merge-new "$build" source.gxy -- merge new.gxy source.gxy
  check "$build: merge with overlapping systems" same merge-overlap "$build" target.gxy source.gxy -- \
    merge target.gxy source.gxy
  check "$build: merge of a galaxy into itself" same merge-itself "$build" target.gxy -- merge target.gxy target.gxy
  check "$build: merge into a header only" same merge-header "$build" header-only.gxy source.gxy -- \
    merge header-only.gxy source.gxy
  check "$build: merge into an empty file" same merge-empty "$build" empty.gxy source.gxy -- \
    merge empty.gxy source.gxy
  check "$build: merge, system number 4097 in the source (error 9)" same merge-bad-source "$build" target.gxy \
    bad-source.gxy -- merge target.gxy bad-source.gxy
  check "$build: merge, system number -1 in the target (error 9)" same merge-bad-target "$build" bad-target.gxy \
    source.gxy -- merge bad-target.gxy source.gxy
  check "$build: merge, source count overflow (error 6)" same merge-source-overflow "$build" target.gxy huge.gxy -- \
    merge target.gxy huge.gxy
  check "$build: merge, target count overflow (error 6)" same merge-target-overflow "$build" huge.gxy source.gxy -- \
    merge huge.gxy source.gxy
  check "$build: 100000 numbers and typed texts" same numbers "$build" -- numbers 100000 --seed 51
}

# --- Windows under Wine ------------------------------------------------------

echo "== Windows (Wine $(wine --version 2>/dev/null || echo '?'))"
cases windows

# in_locale BUILD LOCALE: the numbers made in LOCALE are those of the "C"
# locale, and LOCALE has a decimal comma, so that the comparison means something.
in_locale() {
  local build=$1 locale=$2 dir=$work/$1/locale
  mkdir -p "$dir" && cd "$dir"
  case $build in
    windows) timeout 120 wine "$windows_exe" numbers 100000 --seed 51 --locale "$locale" 2>said.txt </dev/null |
      tr -d '\r' >numbers.txt ;;
    *) "$out/$build/bench/galaxy_bench" numbers 100000 --seed 51 --locale "$locale" >numbers.txt 2>said.txt ;;
  esac
  tr -d '\r' <said.txt >said.unix.txt
  grep -q ": ,$" said.unix.txt || { echo "no decimal comma in $locale: $(cat said.txt)"; return 1; }
  sed '$d' "$work/linux/numbers.printed" | cmp -s - numbers.txt || { echo "numbers differ"; return 1; }
}
check "windows: numbers in the German_Germany.1252 locale" in_locale windows German_Germany.1252

# merge_fails TARGET: a merge into a device must fail, not report success.
merge_fails() {
  local dir=$work/windows/device
  mkdir -p "$dir/dir" && cd "$dir" && cp "$inputs/source.gxy" .
  local said
  said=$(run windows merge "$1" source.gxy)
  case $said in
    "error 20001: "*"exit 1") echo "${said%%$'\n'*}" ;;
    *) echo "the merge did not fail as a device: $(echo "$said" | tr '\n' ' ')"; return 1 ;;
  esac
}
check "windows: merge into NUL fails" merge_fails NUL
check "windows: merge into nul.gxy fails" merge_fails nul.gxy
check "windows: merge into CON fails" merge_fails CON
check "windows: merge into dir\\nul.gxy fails" merge_fails 'dir\nul.gxy'

# A failure is told with the system's own number and words, not the C
# runtime's errno: a folder that does not exist is error 3 on Windows.
system_error() {
  local dir=$work/windows/errors said
  mkdir -p "$dir" && cd "$dir" && cp "$inputs/source.gxy" .
  said=$(run windows merge 'no-such-folder\target.gxy' source.gxy)
  echo "${said%%$'\n'*}"
  case $said in
    "error 3: "*"exit 1") ;;
    *) return 1 ;;
  esac
}
check "windows: errors carry the system's number and text" system_error

# While a galaxy file is held open as the selection holds it, another Windows
# program may delete it or put a new file in its place, as the game does.
# hold_while FILE COMMAND...: runs COMMAND (in Wine's cmd) while FILE is held.
hold_while() {
  local file=$1
  shift
  timeout 60 wine "$windows_exe" hold "$file" 4 </dev/null >hold.out 2>&1 &
  local holder=$! tries=0
  until grep -q '^open' hold.out 2>/dev/null; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] && kill -0 "$holder" 2>/dev/null || { echo "the file was not held: $(cat hold.out)"; return 1; }
    sleep 0.2
  done
  timeout 60 wine cmd /c "$@" </dev/null >/dev/null 2>&1 || true
  wait "$holder" || { echo "holding failed: $(cat hold.out)"; return 1; }
}
held_file_deleted() {
  local dir=$work/windows/delete
  mkdir -p "$dir" && cd "$dir" && cp "$inputs/galaxy.gxy" held.gxy
  hold_while held.gxy del held.gxy || return 1
  [ ! -e held.gxy ] || { echo "the held file could not be deleted"; return 1; }
}
held_file_replaced() {
  local dir=$work/windows/replace
  mkdir -p "$dir" && cd "$dir" && cp "$inputs/galaxy.gxy" held.gxy && cp "$inputs/source.gxy" new.gxy &&
    cp new.gxy expected.gxy
  hold_while held.gxy "ren held.gxy old.gxy && ren new.gxy held.gxy" || return 1
  cmp -s held.gxy expected.gxy || { echo "the held file could not be replaced"; return 1; }
}
check "windows: another program deletes a galaxy file while it is held" held_file_deleted
check "windows: another program renames a new galaxy file into the held one's place" held_file_replaced

# While a second Windows program appends records in pieces, every report of
# the growing galaxy must be the report of its first k whole records for
# some k; and at least three of them must have been taken mid-way.
live_append() {
  local dir=$work/windows/live k
  mkdir -p "$dir" && cd "$dir"
  linux generate start.gxy 200 --seed 41
  linux generate more.gxy 400 --seed 42
  { cat start.gxy; tail -c +5 more.gxy; } >final.gxy
  for k in $(seq 200 600); do
    head -c $((4 + 492 * k)) final.gxy >prefix.gxy
    linux dump prefix.gxy prefix.txt 0 0 --rating
    echo "$(md5sum <prefix.txt | cut -d ' ' -f 1) $k"
  done >prefixes
  cp start.gxy live.gxy
  timeout 300 wine "$windows_exe" append live.gxy more.gxy --piece 100 --pause 3 </dev/null >/dev/null 2>&1 &
  local appender=$! dumps=0 midway=0 torn=0 sum
  while kill -0 "$appender" 2>/dev/null; do
    timeout 60 wine "$windows_exe" dump live.gxy dump.txt 0 0 --rating </dev/null >/dev/null 2>&1 || {
      echo "a dump failed"
      torn=$((torn + 1))
    }
    dumps=$((dumps + 1))
    sum=$(md5sum <dump.txt | cut -d ' ' -f 1)
    k=$(awk -v sum="$sum" '$1 == sum { print $2; exit }' prefixes)
    if [ -z "$k" ]; then
      torn=$((torn + 1))
      cp dump.txt "torn-$dumps.txt"
    elif [ "$k" -gt 200 ] && [ "$k" -lt 600 ]; then
      midway=$((midway + 1))
    fi
  done
  wait "$appender" || { echo "the appending program failed"; return 1; }
  cmp -s live.gxy final.gxy || { echo "the appended galaxy is not whole"; return 1; }
  echo "$dumps reports, $midway mid-way, $torn not of whole records"
  [ "$torn" -eq 0 ] && [ "$midway" -ge 3 ]
}
check "windows: reports while another program appends hold whole records only" live_append

# --- Linux in a locale with a decimal comma ---------------------------------

echo "== Linux"
# A C library locale with a decimal comma, made here from the locale sources.
comma_locale() {
  mkdir -p "$out/locale" &&
    { [ -f "$out/locale/de_DE.UTF-8/LC_NUMERIC" ] ||
      localedef -i de_DE -f UTF-8 "$out/locale/de_DE.UTF-8" >/dev/null 2>&1; }
}
if comma_locale; then
  export LOCPATH=$out/locale
  check "linux: numbers in the de_DE.UTF-8 locale" in_locale linux de_DE.UTF-8
else
  fail "a de_DE.UTF-8 locale for the locale checks" "localedef failed"
fi

echo "== $((SECONDS - started)) s in all, $((installed - started)) s of them installing packages"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
