#!/usr/bin/env bash
# Installs what building, running and testing Zirk needs on Debian 12.
# Idempotent: when every package is already there it does nothing.
set -euo pipefail

packages=(
  cmake ninja-build pkg-config g++
  qt6-base-dev qt6-multimedia-dev libqt6svg6
  libqt6sql6-sqlite libqt6sql6-psql postgresql
  libftdi1-dev libharfbuzz-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qpdf poppler-utils mupdf-tools
  libssl-dev openssl libnss3-tools
  xvfb xauth x11-apps imagemagick
  clang libclang-rt-14-dev
  fonts-dejavu-core fonts-liberation2
  lintian appstream desktop-file-utils man-db shared-mime-info xdg-utils bash-completion
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  run=()
else
  run=(sudo)
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -qq
"${run[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
