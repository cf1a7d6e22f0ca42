#!/usr/bin/env bash
# Sets everything up and starts Zirk in demo mode against the simulated
# instrument.  Without a display it runs under Xvfb, saves a screenshot of
# the main window to build/zirk-main.png and exits.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The program and its data folders only: the tests and benchmarks wait for
# scripts/test.sh.
ZIRK_TARGETS=zirk scripts/build.sh
export ZIRK_DEVICE=${ZIRK_DEVICE:-simulator}
cd build
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ./zirk /demo
fi
echo "No display: running under Xvfb; the screenshot goes to build/zirk-main.png"
ZIRK_SCREENSHOT="$PWD/zirk-main.png" timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" ./zirk /demo
ls -l zirk-main.png
