#!/usr/bin/env bash
# Times the start of zirk to its painted main window against a bare Qt main
# window, side by side on the same X display (Xvfb when there is none):
# both end at their first paint (ZIRK_QUIT_WHEN_SHOWN, base/QuitWhenShown.h).
# Uses hyperfine when installed, else a plain loop of $ZIRK_START_RUNS runs.
# On a machine shared with other work the wall time varies a lot from run to
# run; the CPU time (user + system) that hyperfine reports varies less.
#
#   bench/start-time.sh            # builds zirk and zirk-bare-window in build/
#   ZIRK_BUILD_DIR=b bench/start-time.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZIRK_BUILD_DIR:-build}
runs=${ZIRK_START_RUNS:-30}
ZIRK_TARGETS="zirk zirk_sound zirk-bare-window" scripts/build.sh >/dev/null

if [ -z "${DISPLAY:-}" ] && [ -z "${ZIRK_START_IN_XVFB:-}" ]; then
  # -noreset: Xvfb resets when its last client leaves, and a start that
  # comes in during the reset cannot reach the display and aborts.
  exec env ZIRK_START_IN_XVFB=1 xvfb-run -a -n $((200 + RANDOM % 700)) -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

# A session bus as on a desktop: without one, Qt forks dbus-launch from
# each start, which times the fork instead of the program.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-run-session >/dev/null; then
  exec dbus-run-session -- "$0" "$@"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A fresh settings folder and the simulated instrument: no USB scan, no
# dialog about a settings file, the same work at every start.
export ZIRK_CONFIG_DIR="$work" ZIRK_DEVICE=simulator ZIRK_ARCHIVE="sqlite://$work/archive.sqlite"
export ZIRK_QUIT_WHEN_SHOWN=1 QT_QPA_PLATFORM=xcb
zirk="$PWD/$build/zirk"
bare="$PWD/$build/zirk-bare-window"

if command -v hyperfine >/dev/null; then
  hyperfine -N --warmup 3 --runs "$runs" --export-json "$work/start.json" \
    -n zirk "$zirk" -n bare-qt-window "$bare" >&2
  python3 - "$work/start.json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
z, b = r["zirk"], r["bare-qt-window"]
cpu = lambda x: (x["user"] + x["system"]) * 1000
print(f"zirk            {z['mean']*1000:6.1f} ms ± {z['stddev']*1000:4.1f} (median {z['median']*1000:.1f}), CPU {cpu(z):.1f} ms")
print(f"bare Qt window  {b['mean']*1000:6.1f} ms ± {b['stddev']*1000:4.1f} (median {b['median']*1000:.1f}), CPU {cpu(b):.1f} ms")
print(f"ratio           {z['mean']/b['mean']:6.2f}x (median {z['median']/b['median']:.2f}x), CPU {cpu(z)/cpu(b):.2f}x")
PY
else
  median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
  time_runs() {
    for _ in $(seq 3); do "$1" >/dev/null 2>&1; done
    for _ in $(seq "$runs"); do
      start=$(date +%s%N); "$1" >/dev/null 2>&1; end=$(date +%s%N)
      echo $(( (end - start) / 1000 ))
    done | median
  }
  z=$(time_runs "$zirk"); b=$(time_runs "$bare")
  awk -v z="$z" -v b="$b" 'BEGIN {
    printf "zirk            %6.1f ms (median of runs)\nbare Qt window  %6.1f ms\nratio           %6.2fx\n", z/1000, b/1000, z/b }'
fi
