#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine, starts the installed
# program headless in demo mode, checks that it found its data and wrote its
# settings in the user's config folder, runs zirk-cli, and removes the
# package again.  Needs root or sudo; meant for CI and throwaway machines.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZIRK_BUILD_DIR:-build}
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

(cd "$build" && rm -f zirk_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$PWD/$build"/zirk_*.deb)
echo "Package: $deb ($(du -h "$deb" | cut -f1))"
dpkg-deb -f "$deb" Depends

export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get install -y -qq "$deb" >/dev/null
trap '"${sudo[@]}" apt-get remove -y -qq zirk >/dev/null || true' EXIT

test -x /usr/bin/zirk
test -f /usr/share/applications/zirk.desktop
test -f /usr/share/icons/hicolor/48x48/apps/zirk.png
for f in Languages/English.ini Languages/German.ini Sounds/beep.wav Docs/user_manual_en.pdf \
         Drivers/Install/install-udev-rule.sh; do
  test -f "/usr/share/zirk/$f" || { echo "missing /usr/share/zirk/$f"; exit 1; }
done
ls /usr/lib/udev/rules.d/*zirk* /lib/udev/rules.d/*zirk* 2>/dev/null | head -1 | grep -q . \
  || { echo "udev rule not installed"; exit 1; }

home=$(mktemp -d)
workdir=$(mktemp -d)
(
  cd "$workdir"
  export HOME="$home" XDG_CONFIG_HOME="$home/.config" ZIRK_DEVICE=simulator
  unset ZIRK_CONFIG_DIR
  ZIRK_SCREENSHOT="$workdir/installed.png" timeout 60 xvfb-run -a /usr/bin/zirk /demo
)
test -s "$workdir/installed.png" || { echo "installed program did not start"; exit 1; }
test -f "$home/.config/zirk/zirk.ini" || { echo "settings not written to the user's config folder"; exit 1; }
grep -qi '^\[Settings\]' "$home/.config/zirk/zirk.ini"
if [ -x /usr/bin/zirk-cli ]; then
  /usr/bin/zirk-cli --help >/dev/null
fi
rm -rf "$home" "$workdir"

"${sudo[@]}" apt-get remove -y -qq zirk >/dev/null
trap - EXIT
test ! -e /usr/bin/zirk
echo "Package installs, runs and removes cleanly."
