#!/usr/bin/env bash
# Configures and builds Zirk in build/ (or $ZIRK_BUILD_DIR).  Arguments are
# passed to cmake; $ZIRK_TARGETS (space-separated) builds only those targets.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZIRK_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
# shellcheck disable=SC2086 # the targets are words
ninja -C "$build" ${ZIRK_TARGETS:-}
