#!/usr/bin/env bash
# Renders every window of Quarrimax to PNG files in docs/screenshots/, on the
# offscreen platform, with a settings folder and a program folder of their own
# (a copy of the renderer beside a sample galaxy and a sample dump.txt), so
# that the player's own settings are neither read nor changed. The pictures
# come out the same on every Debian 12 machine: the windows ask for the fonts
# that scripts/deps.sh installs, by name, and draw them the same everywhere.
# Under a display (Xvfb too), PLATFORM=xcb renders real windows instead.
#   bash scripts/screenshots.sh              (renders at 100 %)
#   SCALE=2 OUT=/tmp/shots bash scripts/screenshots.sh   (200 %, elsewhere)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

build=${BUILD:-build}
out=$(realpath -m "${OUT:-docs/screenshots}")
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target quarrimax_screenshots galaxy_bench

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
program="$work/Quarrimax"
mkdir -p "$program" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
cp "$build/src/app/quarrimax_screenshots" "$program/"
"$build/bench/galaxy_bench" generate "$program/sample.gxy" 500 --seed 235 >/dev/null
"$build/bench/galaxy_bench" dump "$program/sample.gxy" "$program/dump.txt" 40 30 --rating >/dev/null

mkdir -p "$out"
# Nothing of this desktop's own look takes part: neither the user's fonts and
# font settings (home, settings and data folders are empty ones) nor a theme,
# style or scaling of the user's.
mkdir -p "$work/home" "$work/data"
env -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE -u QT_FONT_DPI -u QT_SCREEN_SCALE_FACTORS \
  -u QT_ENABLE_HIGHDPI_SCALING -u QT_SCALE_FACTOR_ROUNDING_POLICY -u FONTCONFIG_FILE -u FONTCONFIG_PATH \
  HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime" \
  QT_QPA_PLATFORM="${PLATFORM:-offscreen}" QT_SCALE_FACTOR="${SCALE:-1}" "$program/quarrimax_screenshots" "$out"
