#!/usr/bin/env bash
# Soak run, not part of CI: the program's windows against zirk-devsim for ten
# minutes with a measurement every 100 ms and random faults; checks that the
# series holds every measurement the simulator sent and that memory stayed
# flat.  Arguments go to zirk-soak (--minutes M --period MS --seed N).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh >/dev/null
ninja -C "${ZIRK_BUILD_DIR:-build}" zirk-soak zirk-devsim >/dev/null
soak="${ZIRK_BUILD_DIR:-build}/tools/zirk-soak/zirk-soak"
if command -v xvfb-run >/dev/null; then
  exec xvfb-run -a "$soak" "$@"
fi
QT_QPA_PLATFORM=offscreen exec "$soak" "$@"
