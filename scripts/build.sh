#!/usr/bin/env bash
# Configures and builds Zirk in build/ (or $ZIRK_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZIRK_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
ninja -C "$build"
