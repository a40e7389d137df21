#!/usr/bin/env bash
# Builds the whole program for 64-bit Windows from this Linux machine, runs
# every test under Wine, packs the portable program folder and tries it as a
# player would. Installs what it needs first.
#   bash scripts/windows.sh
# Works in build-windows/:
# - the cross-build with mingw-w64 (cmake/mingw-w64-x86_64.cmake) against Qt
#   6.4.2 for Windows from ${XDG_CACHE_HOME:-~/.cache}/quarrimax/, built
#   there first with scripts/build-qt-windows.sh when it is not there yet;
# - every test program run under Wine on the offscreen platform, in a Wine
#   prefix of its own (build-windows/wine); their output in tests.log;
# - build-windows/Quarrimax-2.35-win64.zip, packed by CPack; its
#   quarrimax.exe must carry as Windows resources the program's icon, in 16,
#   32, 48 and 256 pixels, and its version record, Quarrimax2 2.35.0.0;
# - the zip unpacked into a new Wine prefix (build-windows/wine-player), into
#   a folder with a blank in its name, and the program started there under
#   Xvfb with the windows platform: its main window must appear, and a click
#   on "Dump to file" must write the report that galaxy_bench writes for the
#   same galaxy and thresholds.
# Prints `N passed, N failed, N skipped` for the test cases at the end and
# fails when a test, the package, its program's resources or the try fails.
# SCREENSHOTS=1 also renders the program's windows under Wine into
# docs/screenshots/windows/.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
scripts/deps.sh g++-mingw-w64-x86-64-posix wine wine64 ninja-build xvfb x11-utils openbox xdotool imagemagick zip unzip \
  fonts-liberation librsvg2-bin icoutils
installed=$SECONDS

top=$PWD
out=$top/build-windows
version=6.4.2
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quarrimax
qt=${QT_WINDOWS_PREFIX:-$cache/qt-$version-mingw-w64}
jobs=2
mkdir -p "$out"

# --- Qt for Windows -----------------------------------------------------------

if [ ! -f "$qt/lib/cmake/Qt6Svg/Qt6SvgConfig.cmake" ] || [ ! -f "$qt/bin/Qt6Widgets.dll" ]; then
  QT_WINDOWS_PREFIX=$qt bash scripts/build-qt-windows.sh
fi
qt_built=$SECONDS

# --- Wine ----------------------------------------------------------------------

export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# new_prefix FOLDER: a Wine prefix made there, once.
new_prefix() {
  if [ ! -f "$1/system.reg" ]; then
    WINEPREFIX=$1 wineboot -i >"$1.log" 2>&1 || true
    WINEPREFIX=$1 wineserver -w || true
  fi
}
export WINEPREFIX=$out/wine
new_prefix "$WINEPREFIX"
# One server for the many runs that follow, stopped at the end.
wineserver -p >/dev/null 2>&1 || true
cleanup() {
  WINEPREFIX=$out/wine wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$out/wine-player wineserver -k >/dev/null 2>&1 || true
  [ -z "${wm:-}" ] || kill "$wm" 2>/dev/null || true
  [ -z "${xvfb:-}" ] || kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

# The DLLs of Qt and of the C++ runtime, for the programs run from the build.
runtime_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
pthread_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
WINEPATH="$(winepath -w "$qt/bin");$(winepath -w "$runtime_dir");$(winepath -w "$pthread_dir")"
export WINEPATH

# --- the build ------------------------------------------------------------------

echo "== building for Windows in $out"
if ! cmake -S . -B "$out" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
  -DCMAKE_AUTORCC_OPTIONS=--no-zstd \
  -DCMAKE_CROSSCOMPILING_EMULATOR=wine >"$out/configure.log" 2>&1; then
  tail -n 20 "$out/configure.log"
  echo "configuring the Windows build failed: see $out/configure.log"
  exit 1
fi
if ! nice cmake --build "$out" --parallel "$jobs" >"$out/build.log" 2>&1; then
  grep -E 'error|FAILED' "$out/build.log" | head -n 30
  echo "the Windows build failed: see $out/build.log"
  exit 1
fi
built=$SECONDS

# --- the tests under Wine --------------------------------------------------------

echo "== the tests under Wine $(wine --version 2>/dev/null || echo '?')"
# Each test program writes its results into test-results/NAME.txt.
results=$out/test-results
rm -rf "$results"
mkdir -p "$results"
ctest --test-dir "$out" --timeout 900 >"$out/tests.log" 2>&1 || true
passed=0
failed=0
skipped=0
programs_failed=()
while read -r name; do
  line=$(grep -E "Test +#[0-9]+: $name " "$out/tests.log" || true)
  file=$results/$name.txt
  totals=
  [ -f "$file" ] && totals=$(grep -oE 'Totals: [0-9]+ passed, [0-9]+ failed, [0-9]+ skipped' "$file" || true)
  case $line in *Passed*) ;; *) programs_failed+=("$name") ;; esac
  if [ -n "$totals" ]; then
    read -r p f s < <(awk '{ print $2, $4, $6 }' <<<"$totals")
    passed=$((passed + p))
    failed=$((failed + f))
    skipped=$((skipped + s))
    echo "   $name: $p passed, $f failed, $s skipped"
  else
    # Ended without its closing count: it counts as one failure.
    failed=$((failed + 1))
    echo "   $name: ended without results ($(sed -E 's/.*\*+ *//' <<<"$line"))"
  fi
  if [ -f "$file" ]; then grep -E -A2 '^FAIL!' "$file" | sed 's/^/      /' | head -n 30 || true; fi
done < <(grep -oE 'Test +#[0-9]+: [A-Za-z0-9_]+' "$out/tests.log" | awk '{ print $NF }')
tested=$SECONDS

# --- the portable zip ---------------------------------------------------------------

zip=$out/Quarrimax-2.35-win64.zip
rm -f "$zip"
package_ok=1
if ! (cd "$out" && cpack -G ZIP --config CPackConfig.cmake >"$out/package.log" 2>&1) || [ ! -f "$zip" ]; then
  tail -n 20 "$out/package.log"
  echo "FAIL  packing $zip"
  package_ok=0
else
  echo "== $(basename "$zip"): $(du -k "$zip" | cut -f 1) KB"
  unzip -Z1 "$zip" | sed 's/^/   /'
fi

# --- the icon and the version record of the zip's quarrimax.exe ---------------------

# Explorer, the taskbar and links show the program's first icon group, its
# Properties the version record: both Windows resources of quarrimax.exe, read
# from the zip, whose program CPack has stripped.
check_resources() {
  local dir=$out/zip-resources exe listing group sizes pairs pair hex
  rm -rf "$dir"
  mkdir -p "$dir"
  exe=$dir/quarrimax.exe
  unzip -p "$zip" "$(unzip -Z1 "$zip" | grep -E '(^|/)quarrimax\.exe$' | head -n 1)" >"$exe"
  # Without resources wrestool says so and still ends well.
  listing=$(wrestool -l "$exe" 2>&1 || true)
  if ! grep -qF '[type=group_icon' <<<"$listing" || ! grep -qF '[type=version' <<<"$listing"; then
    echo "quarrimax.exe lacks an icon group or a version record; wrestool -l lists: ${listing:-nothing}"
    return 1
  fi
  echo "   quarrimax.exe holds an icon group and a version record"
  group=$(grep -m 1 -F '[type=group_icon' <<<"$listing" | grep -oE -- '--name=[^ ]+')
  wrestool -x --type=group_icon "$group" "$exe" >"$dir/quarrimax.ico"
  sizes=$(icotool -l "$dir/quarrimax.ico" | sed -E 's/.*--width=([0-9]+) --height=([0-9]+).*/\1x\2/' | paste -sd ' ')
  [ "$sizes" = "16x16 32x32 48x48 256x256" ] ||
    { echo "the first icon group holds ${sizes:-no icon}, not 16x16 32x32 48x48 256x256"; return 1; }
  echo "   its first icon group holds $sizes pixels"
  wrestool -x --raw --type=version "$exe" >"$dir/version.bin"
  # Its names and values are UTF-16 strings, each value after its name.
  pairs=$(strings -e l "$dir/version.bin" | awk 'previous != "" { print previous "=" $0 } { previous = $0 }')
  for pair in ProductName=Quarrimax2 FileVersion=2.35.0.0 ProductVersion=2.35.0.0; do
    grep -qxF "$pair" <<<"$pairs" || { echo "the version record lacks $pair"; return 1; }
  done
  # The fixed part: its signature and structure version, then the file and
  # the product version 2,35,0,0, in little-endian words.
  hex=$(od -An -v -tx1 "$dir/version.bin" | tr -d ' \n')
  [[ $hex == *bd04effe0000010023000200000000002300020000000000* ]] ||
    { echo "the version record's numbers are not 2,35,0,0"; return 1; }
  echo "   its version record reads Quarrimax2 2.35.0.0, in its strings and its numbers"
}

resources_ok=0
if [ "$package_ok" = 1 ]; then
  echo "== the icon and the version record of the zip's quarrimax.exe"
  if check_resources; then
    resources_ok=1
  else
    echo "FAIL  the resources of quarrimax.exe"
  fi
fi

# --- the zip in a new Wine prefix, as a player unpacks it ----------------------------

# seed_settings GALAXY-FILE HAB MET RATING: the Galaxy List with one galaxy,
# selected, and the dump options, in the current prefix's registry, in the
# program's settings key; Open After Dumping off.
settings_keys=('HKCU\Software\VB and VBA Program Settings\Quarrimax2' 'HKCU\Software\Quarrimax2\Quarrimax2')
seed_settings() {
  local key
  for key in "${settings_keys[@]}"; do
    wine reg add "$key\\Galaxies" /v Galaxy1 /t REG_SZ /d Sample /f
    wine reg add "$key\\Galaxies" /v Galaxyfile1 /t REG_SZ /d "$1" /f
    wine reg add "$key\\Options" /v Hab /t REG_SZ /d "$2" /f
    wine reg add "$key\\Options" /v Met /t REG_SZ /d "$3" /f
    wine reg add "$key\\Options" /v Rating /t REG_SZ /d "$4" /f
    wine reg add "$key\\Options" /v Open /t REG_SZ /d 0 /f
  done >/dev/null 2>&1
}

# A display of its own, with a window manager.
start_display() {
  local n
  for n in $(seq 91 130); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
    xvfb=$!
    export DISPLAY=:$n
    for _ in $(seq 50); do
      xdpyinfo >/dev/null 2>&1 && break
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    sleep 0.5
    openbox >"$out/openbox.log" 2>&1 &
    wm=$!
    sleep 1
    return 0
  done
  echo "no free display number for Xvfb"
  return 1
}

# wait_for_window NAME: the X window id of a window whose title is NAME.
wait_for_window() {
  local id _
  for _ in $(seq 120); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null || true)
    id=${id%%$'\n'*}
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.5
  done
  return 1
}

# click WINDOW X Y: a left click at X, Y (pixels) of the window's client area.
click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
}

# decorations WINDOW: what the window manager is told to draw on the window
# (the decorations word of _MOTIF_WM_HINTS, as Wine sets it from the
# Windows styles): 4 resize handles, 32 a minimize box, 64 a maximize box.
decorations() {
  xprop -id "$1" _MOTIF_WM_HINTS | awk -F', ' '{print $3 + 0}'
}

# frame_of WINDOW WANT-MINIMIZE: a fixed frame, no maximize box, and a
# minimize box only when WANT-MINIMIZE is 1.
frame_of() {
  local decor minimize
  decor=$(decorations "$1")
  minimize=$(((decor & 32) != 0))
  if ((decor & 4)) || ((decor & 64)) || [ "$minimize" != "$2" ]; then
    echo "decorations $decor (resize 4, minimize 32, maximize 64)"
    return 1
  fi
}

# check_windows MAIN: the windows under a window manager, as a player meets
# them: fixed frames, the main window in the middle of the screen by its
# whole frame, the file dialog's own title, the viewer's smallest size, and
# the Galaxy List editor's keys.
check_windows() {
  local main=$1 said x y w h extents left right top bottom merge editor viewer before
  said=$(frame_of "$main" 1) || { echo "the main window's frame: $said"; return 1; }
  echo "   the main window has a fixed frame with a minimize box and no maximize box"
  eval "$(xwininfo -id "$main" | awk '/Absolute upper-left X/{print "x=" $4} /Absolute upper-left Y/{print "y=" $4}
    /Width:/{print "w=" $2} /Height:/{print "h=" $2}')"
  extents=$(xprop -id "$main" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  read -r left right top bottom <<<"$extents"
  # Twice the frame's offset from the middle. The program centres the frame
  # that Windows gives it, which under Wine is Wine's guess of the window
  # manager's frame from Windows' metrics; openbox's title bar follows the
  # fonts a machine has, and differs from that guess by a few pixels.
  # Centring by the client area instead would leave the whole of top +
  # bottom; half of it is allowed.
  local dx=$(((x - left) * 2 + w + left + right - 1024)) dy=$(((y - top) * 2 + h + top + bottom - 768))
  local slack=$(((top + bottom) / 2))
  if ((dx < -4 || dx > 4 || dy < -slack || dy > slack)); then
    echo "the main window's frame is off the middle of the screen by ${dx}/2, ${dy}/2 pixels" \
      "(frame $left $right $top $bottom)"
    return 1
  fi
  echo "   the main window's frame stands in the middle of the screen (off by ${dx}/2, ${dy}/2 pixels)"

  click "$main" 204 60 # "Merge"
  merge=$(wait_for_window 'Merge') || { echo "the merge window did not appear"; return 1; }
  said=$(frame_of "$merge" 0) || { echo "the merge window's frame: $said"; return 1; }
  click "$merge" 28 68 # the first browse button
  wait_for_window 'Open' >/dev/null || { echo "no file dialog titled \"Open\" came up"; return 1; }
  xdotool key Escape
  sleep 1
  click "$merge" 60 180 # "Close"
  echo "   the merge window has a fixed frame, and its file dialog is titled \"Open\""

  click "$main" 204 92  # "Options >>"
  sleep 1
  click "$main" 212 218 # "Modify list"
  editor=$(wait_for_window 'Galaxy List Editor') || { echo "the Galaxy List editor did not appear"; return 1; }
  said=$(frame_of "$editor" 0) || { echo "the editor's frame: $said"; return 1; }
  click "$editor" 152 49 # the name box of Galaxy 1
  xdotool type --delay 50 Alpha
  xdotool key Return KP_Enter
  sleep 1
  xdotool search --name '^Galaxy List Editor$' >/dev/null || { echo "Enter in a box closed the editor"; return 1; }
  xdotool key Escape
  sleep 1
  ! xdotool search --name '^Galaxy List Editor$' >/dev/null || { echo "Esc did not close the editor"; return 1; }
  before=$(wine reg query 'HKCU\Software\VB and VBA Program Settings\Quarrimax2\Galaxies' /v Galaxy1 2>/dev/null | tr -d '\r')
  [[ $before == *Sample* ]] || { echo "Enter or Esc in the editor stored the list: $before"; return 1; }
  echo "   the editor has a fixed frame; Enter in a box and Esc store nothing"
  click "$main" 204 92 # "Options >>" again

  click "$main" 22 22  # "Open After Dumping", with the built-in viewer
  sleep 0.5
  click "$main" 204 28 # "Dump to file"
  viewer=$(wait_for_window 'Quarrimax [0-9.]+ FINAL by Marrowen') || { echo "the report viewer did not appear"; return 1; }
  sleep 1
  xdotool windowsize "$viewer" 4 1
  sleep 2
  eval "$(xwininfo -id "$viewer" | awk '/Width:/{print "w=" $2} /Height:/{print "h=" $2}')"
  extents=$(xprop -id "$viewer" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  read -r left right top bottom <<<"$extents"
  if ((w + left + right < 40 || h + top + bottom < 40)); then
    echo "the report viewer was made $w x $h pixels, below its smallest size of 40 x 40 with its frame"
    return 1
  fi
  echo "   the report viewer keeps its smallest size ($w x $h inside its frame)"
  xdotool windowactivate --sync "$viewer" key alt+F4
  click "$main" 22 22 # "Open After Dumping" off again
  sleep 1
}

tried_ok=0
player_dir=
try_zip() {
  export WINEPREFIX=$out/wine-player
  rm -rf "$WINEPREFIX" "$WINEPREFIX.log"
  new_prefix "$WINEPREFIX"
  player_dir="$WINEPREFIX/drive_c/Games/Quarrimax 2"
  mkdir -p "$player_dir"
  (cd "$player_dir" && unzip -q "$zip")
  # CPack puts everything in a folder named after the package.
  local inner
  inner=$(find "$player_dir" -mindepth 1 -maxdepth 1 -type d -print -quit)
  if [ -n "$inner" ] && [ -f "$inner/quarrimax.exe" ]; then
    (shopt -s dotglob && mv "$inner"/* "$player_dir"/ && rmdir "$inner")
  fi
  [ -f "$player_dir/quarrimax.exe" ] || { echo "quarrimax.exe is not in the zip"; return 1; }
  cp "$out/sample.gxy" "$player_dir/"
  seed_settings sample.gxy 40 30 1
  # ClearType, as on Windows by default: Wine's standard font smoothing loses
  # thin letters of Qt's small text (see the README).
  wine reg add 'HKCU\Control Panel\Desktop' /v FontSmoothingType /t REG_DWORD /d 2 /f >/dev/null 2>&1
  start_display || return 1
  # Nothing of the build on the DLL path: the folder must be enough.
  (cd "$player_dir" && WINEPATH= exec wine quarrimax.exe >"$out/player.log" 2>&1) &
  # Ended with the prefix's server at the end, without a word from the shell.
  disown $!
  local window
  window=$(wait_for_window 'Quarrimax [0-9.]+ by Marrowen') || { echo "the main window did not appear"; return 1; }
  echo "   the main window appeared"
  sleep 1
  click "$window" 204 28
  local _
  for _ in $(seq 60); do
    [ -s "$player_dir/dump.txt" ] && break
    sleep 0.5
  done
  sleep 1
  [ -f "$player_dir/dump.txt" ] || { echo "no dump.txt after a click on \"Dump to file\""; return 1; }
  # The same report from galaxy_bench, built for Linux.
  cmake -S . -B "$out/linux-bench" -DQUARRIMAX_CORE_ONLY=ON -DCMAKE_BUILD_TYPE=Release >/dev/null &&
    cmake --build "$out/linux-bench" --target galaxy_bench >/dev/null
  "$out/linux-bench/bench/galaxy_bench" dump "$out/sample.gxy" "$out/expected-dump.txt" 40 30 --rating >/dev/null
  cmp "$player_dir/dump.txt" "$out/expected-dump.txt" ||
    { echo "dump.txt differs from galaxy_bench's report"; return 1; }
  echo "   \"Dump to file\" wrote the report galaxy_bench writes ($(wc -l <"$player_dir/dump.txt") lines)"
  check_windows "$window" || return 1
  if [ -n "${SCREENSHOTS:-}" ]; then
    screenshots "$window"
  fi
}

# screenshots WINDOW: the main window with its options open, and the report
# viewer that a dump with "Open After Dumping" ticked opens, into
# docs/screenshots/windows/.
screenshots() {
  local shots=$top/docs/screenshots/windows viewer
  mkdir -p "$shots"
  click "$1" 204 92 # "Options >>"
  sleep 2
  import -frame -window "$1" "$shots/main-window-options.png"
  click "$1" 22 22 # "Open After Dumping", with the built-in viewer
  sleep 0.5
  click "$1" 204 28 # "Dump to file"
  viewer=$(wait_for_window 'Quarrimax [0-9.]+ FINAL by Marrowen') || { echo "the report viewer did not appear"; return 1; }
  sleep 2
  import -frame -window "$viewer" "$shots/report-viewer.png"
  echo "   screenshots in $shots"
}

if [ "$package_ok" = 1 ]; then
  echo "== the zip in a new Wine prefix, in \"C:\\Games\\Quarrimax 2\", on the windows platform"
  if try_zip; then
    tried_ok=1
  else
    echo "FAIL  the zip as a player runs it"
  fi
fi

echo "== $((SECONDS - started)) s in all: $((installed - started)) s installing packages," \
  "$((qt_built - installed)) s for Qt, $((built - qt_built)) s building, $((tested - built)) s testing"
if [ ${#programs_failed[@]} -gt 0 ]; then
  echo "test programs that failed: ${programs_failed[*]}"
fi
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ] && [ ${#programs_failed[@]} -eq 0 ] && [ "$package_ok" = 1 ] && [ "$resources_ok" = 1 ] &&
  [ "$tried_ok" = 1 ]
