#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when missing.
# As root it runs apt-get itself; otherwise it prints the line to run.
set -euo pipefail

# fonts-liberation holds the program's fonts on Linux: Liberation Sans and
# Liberation Mono, which have exactly the metrics of Arial and Courier New.
# qt6-wayland holds the toolkit's plugin for Wayland desktops; without it the
# windows can only be shown on an X display.
packages=(cmake g++ make qt6-base-dev qt6-svg-dev qt6-wayland libgl-dev fonts-liberation "$@")

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  if [ "$status" != 'install ok installed' ]; then
    missing+=("$package")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
  echo "These packages are missing. Install them with:"
  echo "  sudo apt-get install -y ${missing[*]}"
  exit 1
fi
