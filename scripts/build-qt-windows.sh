#!/usr/bin/env bash
# Builds the Qt that Quarrimax for Windows is built against: Qt 6.4.2 for
# 64-bit Windows, cross-built here with Debian's mingw-w64 compilers (posix
# threads, the compilers of cmake/mingw-w64-x86_64.cmake), shared, release:
# qtbase with Core, Gui, Widgets and Test and the platform plugins windows,
# offscreen and minimal, then qtsvg. Qt's own build tools (moc, rcc, uic)
# are the host's, from Debian's Qt 6.4.2.
#   bash scripts/build-qt-windows.sh
# scripts/windows.sh runs it when the cache holds no Qt for Windows yet.
# About 13 minutes on two cores; run niced.
#
# Sources, in ${XDG_CACHE_HOME:-~/.cache}/quarrimax/sources/:
#   qt6-base_6.4.2+dfsg.orig.tar.xz      Debian's qtbase source
#   qtsvg-everywhere-src-6.4.2.tar.xz    Qt Svg's source (or Debian's
#                                        qt6-svg_6.4.2.orig.tar.xz)
# When one is missing it is fetched with `apt-get source` through a sources
# list of this script's own (the deb-src twins of the machine's Debian lists),
# which leaves the machine's apt configuration as it is.
#
# Installs into QT_WINDOWS_PREFIX (default
# ${XDG_CACHE_HOME:-~/.cache}/quarrimax/qt-6.4.2-mingw-w64) and works in
# QT_WINDOWS_WORK (default ${XDG_CACHE_HOME:-~/.cache}/quarrimax/qt-windows-work,
# removed after a build that went through). JOBS sets the parallel jobs
# (default 2). The prefix is written only once the whole build has gone
# through: a build stopped half-way leaves no Qt behind that looks finished.
#
# The choices that are not Qt's defaults, and why:
# - OpenGL off with -DINPUT_opengl=no: FEATURE_opengl=OFF alone still leaves
#   Qt's dynamic OpenGL on, which needs headers this build does not have.
#   Vulkan off too: the program paints with the raster engine.
# - Direct2D and DirectWrite 3 off together: with Direct2D off and
#   DirectWrite 3 on, qwindows.dll does not link.
# - Tablet events off: Debian's (dfsg) source drops the wintab header.
# - SQL off: Debian's source has no bundled SQLite. Network, D-Bus,
#   Concurrent, XML and print support off: the program uses none of them.
# - JPEG off, and zlib, PCRE2, libpng, FreeType, HarfBuzz and
#   double-conversion from Qt's own bundled copies, since Windows has none of
#   them; zstd off, so the program's resources must be packed without it
#   (CMAKE_AUTORCC_OPTIONS=--no-zstd, which scripts/windows.sh passes).
# - pkg-config off, so that nothing of the Linux host is taken for Windows.
set -euo pipefail
cd "$(dirname "$0")/.."

version=6.4.2
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quarrimax
sources=$cache/sources
prefix=${QT_WINDOWS_PREFIX:-$cache/qt-$version-mingw-w64}
work=${QT_WINDOWS_WORK:-$cache/qt-windows-work}
jobs=${JOBS:-2}
top=$PWD

scripts/deps.sh g++-mingw-w64-x86-64-posix cmake ninja-build perl xz-utils qt6-base-dev qt6-base-dev-tools \
  qt6-svg-dev

base_tarball=$sources/qt6-base_$version+dfsg.orig.tar.xz
svg_tarball=$sources/qtsvg-everywhere-src-$version.tar.xz
svg_debian_tarball=$sources/qt6-svg_$version.orig.tar.xz

# fetch PACKAGE...: Debian's source of each package into the sources folder,
# through an apt setup of this script's own.
fetch() {
  local apt=$work/apt
  rm -rf "$apt"
  mkdir -p "$apt/lists/partial" "$apt/archives/partial" "$apt/parts" "$sources"
  # deb-src lines for every Debian repository the machine uses.
  {
    grep -hE '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | grep -F debian || true
    for file in /etc/apt/sources.list.d/*.sources; do
      [ -f "$file" ] || continue
      awk 'BEGIN { RS = ""; FS = "\n" }
        {
          uris = ""; suites = ""; components = ""; types = ""
          for (i = 1; i <= NF; i++) {
            if ($i ~ /^URIs:/) { uris = substr($i, 6) }
            else if ($i ~ /^Suites:/) { suites = substr($i, 8) }
            else if ($i ~ /^Components:/) { components = substr($i, 12) }
            else if ($i ~ /^Types:/) { types = $i }
          }
          if (types !~ /deb/ || uris !~ /debian/) next
          n = split(uris, u, " "); m = split(suites, s, " ")
          for (a = 1; a <= n; a++) for (b = 1; b <= m; b++) print "deb " u[a] " " s[b] " " components
        }' "$file"
    done
  } | sed -E 's/^deb /deb-src /; s/\[[^]]*\] //' | sort -u >"$apt/sources.list"
  local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache::Archives=$apt/archives"
    -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache=" -o "APT::Sandbox::User=root")
  apt-get "${options[@]}" -qq update >"$work/apt-update.log" 2>&1 || return 1
  (cd "$sources" && apt-get "${options[@]}" -qq source --download-only "$@") >"$work/apt-source.log" 2>&1
}

need_base() { [ ! -f "$base_tarball" ]; }
need_svg() { [ ! -f "$svg_tarball" ] && [ ! -f "$svg_debian_tarball" ]; }

mkdir -p "$work"
if need_base || need_svg; then
  wanted=()
  need_base && wanted+=(qt6-base)
  need_svg && wanted+=(qt6-svg)
  fetch "${wanted[@]}" || true
fi
if need_base || need_svg; then
  echo "Qt for Windows needs its sources: put qt6-base_$version+dfsg.orig.tar.xz and" \
    "qtsvg-everywhere-src-$version.tar.xz into $sources (or a built Qt $version for Windows into $prefix)" >&2
  exit 1
fi
[ -f "$svg_tarball" ] || svg_tarball=$svg_debian_tarball

started=$SECONDS
stage=$work/stage
rm -rf "$work/qtbase" "$work/qtsvg" "$work/build-qtbase" "$work/build-qtsvg" "$stage"
mkdir -p "$work/qtbase" "$work/qtsvg" "$work/build-qtbase" "$work/build-qtsvg"
echo "Unpacking the sources"
tar -xf "$base_tarball" -C "$work/qtbase" --strip-components=1
tar -xf "$svg_tarball" -C "$work/qtsvg" --strip-components=1

# The compilers of the project's toolchain file, which adds no link flags.
toolchain=$top/cmake/mingw-w64-x86_64.cmake

# log STEP COMMAND...: runs a step with its output in STEP.log; on a failure
# shows the end of it.
log() {
  local name=$1
  shift
  echo "== $name ($(date +%H:%M:%S))"
  if ! nice -n 10 "$@" >"$work/$name.log" 2>&1; then
    grep -E 'error|Error|FAILED' "$work/$name.log" | head -n 20 || true
    tail -n 20 "$work/$name.log"
    echo "$name failed: see $work/$name.log" >&2
    exit 1
  fi
}

# The install goes to a staging prefix named like the final one's folder,
# which is moved into place at the end.
log qtbase-configure cmake -G Ninja -S "$work/qtbase" -B "$work/build-qtbase" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX="$stage" \
  -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_SHARED_LIBS=ON \
  -DQT_BUILD_EXAMPLES=OFF \
  -DQT_BUILD_TESTS=OFF \
  -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_pkg_config=OFF \
  -DFEATURE_sql=OFF \
  -DFEATURE_network=OFF \
  -DFEATURE_dbus=OFF \
  -DFEATURE_concurrent=OFF \
  -DFEATURE_xml=OFF \
  -DFEATURE_printsupport=OFF \
  -DINPUT_opengl=no \
  -DFEATURE_vulkan=OFF \
  -DFEATURE_direct2d=OFF \
  -DFEATURE_directwrite3=OFF \
  -DFEATURE_tabletevent=OFF \
  -DFEATURE_jpeg=OFF \
  -DFEATURE_system_zlib=OFF \
  -DFEATURE_system_pcre2=OFF \
  -DFEATURE_system_png=OFF \
  -DFEATURE_system_freetype=OFF \
  -DFEATURE_system_harfbuzz=OFF \
  -DFEATURE_system_doubleconversion=OFF \
  -DFEATURE_zstd=OFF \
  -DFEATURE_gui=ON \
  -DFEATURE_widgets=ON \
  -DFEATURE_testlib=ON \
  -DFEATURE_accessibility=ON \
  -DFEATURE_freetype=ON
[ -z "${QT_WINDOWS_CONFIGURE_ONLY:-}" ] || { echo "qtbase configured in $work/build-qtbase"; exit 0; }
log qtbase-build cmake --build "$work/build-qtbase" --parallel "$jobs"
log qtbase-install cmake --install "$work/build-qtbase"

log qtsvg-configure "$stage/bin/qt-cmake" -G Ninja -S "$work/qtsvg" -B "$work/build-qtsvg" \
  -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
log qtsvg-build cmake --build "$work/build-qtsvg" --parallel "$jobs"
log qtsvg-install cmake --install "$work/build-qtsvg"

# Qt's CMake files find everything relative to where they are, so the
# staged prefix works from its final place.
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
mv "$stage" "$prefix"
rm -rf "$work"
echo "Qt $version for Windows is in $prefix ($((SECONDS - started)) s)"
