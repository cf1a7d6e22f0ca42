#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it on this
# machine, checks the desktop entry, AppStream metainfo, manual pages, MIME
# type and bash completion, starts the installed program headless in demo
# mode and with a project file, checks that it found its data and wrote its
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

# Debian's own checks: no error, no warning (informational tags are fine).
lintian_out=$(lintian --fail-on error,warning "$deb") || {
  echo "$lintian_out"; echo "lintian reports errors or warnings"; exit 1; }
[ -z "$lintian_out" ] || echo "$lintian_out"

export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get install -y -qq "$deb" >/dev/null
trap '"${sudo[@]}" apt-get remove -y -qq zirk >/dev/null || true' EXIT

test -x /usr/bin/zirk
test -f /usr/share/applications/zirk.desktop
test -f /usr/share/icons/hicolor/48x48/apps/zirk.png
test -f /usr/lib/zirk/zirk-sound.so
desktop-file-validate /usr/share/applications/zirk.desktop
appstreamcli validate --no-net /usr/share/metainfo/org.example.zirk.metainfo.xml
test -s /usr/share/doc/zirk/copyright && test -s /usr/share/doc/zirk/changelog.gz

# Manual pages: found by man, and groff has nothing to say about them.
for page in zirk zirk-cli; do
  man -w "$page" >/dev/null
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "man $page: $warnings"; exit 1; }
done
/usr/bin/zirk --help | grep -q '/demo'

# Bash completion, loaded the way bash-completion loads it on first use.
completion=$(bash -c '
  source /usr/share/bash-completion/bash_completion
  _completion_loader zirk-cli
  COMP_WORDS=(zirk-cli project-i); COMP_CWORD=1; COMP_LINE="zirk-cli project-i"; COMP_POINT=${#COMP_LINE}
  _zirk_cli; echo "${COMPREPLY[*]}"')
[ "$completion" = project-info ] || { echo "bash completion offers '$completion'"; exit 1; }
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
  export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" ZIRK_DEVICE=simulator
  unset ZIRK_CONFIG_DIR ZIRK_ARCHIVE
  ZIRK_SCREENSHOT="$workdir/installed.png" timeout 60 xvfb-run -a /usr/bin/zirk /demo

  # A project file is of the package's MIME type, which the desktop entry
  # opens, and "zirk FILE" opens it: the series comes back into the window,
  # and the file joins File > Open Recent in the settings.
  printf '120.5\n130.25\n125\n' >"$workdir/times.txt"
  /usr/bin/zirk-cli new-project -o "$workdir/Press 7.zPRJ" --import "$workdir/times.txt" --machine-id "Press 7" \
    2>/dev/null
  # (xdg-mime's filetype query asks file(1) outside a desktop session, which
  # knows nothing of shared-mime-info: the glob database is read instead.)
  grep -qx '50:application/x-zirk-project:\*\.zprj' /usr/share/mime/globs2 \
    || { echo "the MIME type of .zPRJ is not registered"; grep -i zirk /usr/share/mime/globs2; exit 1; }
  handler=$(xdg-mime query default application/x-zirk-project)
  [ "$handler" = zirk.desktop ] || { echo "project files open with '$handler'"; exit 1; }
  ZIRK_SCREENSHOT="$workdir/project.png" timeout 60 xvfb-run -a /usr/bin/zirk "$workdir/Press 7.zPRJ"
  test -s "$workdir/project.png" || { echo "zirk FILE did not start"; exit 1; }
  grep -q "^File1=$workdir/Press 7.zPRJ" "$home/.config/zirk/zirk.ini" \
    || { echo "zirk FILE did not open the project"; exit 1; }
  grep -q '^LastMachineID=Press 7' "$home/.config/zirk/zirk.ini" \
    || { echo "zirk FILE did not show the project's machine"; exit 1; }
)
test -s "$workdir/installed.png" || { echo "installed program did not start"; exit 1; }
test -f "$home/.config/zirk/zirk.ini" || { echo "settings not written to the user's config folder"; exit 1; }
grep -qi '^\[Settings\]' "$home/.config/zirk/zirk.ini"
/usr/bin/zirk-cli --help >/dev/null
rm -rf "$home" "$workdir"

"${sudo[@]}" apt-get remove -y -qq zirk >/dev/null
trap - EXIT
test ! -e /usr/bin/zirk
test ! -e /usr/share/mime/packages/zirk.xml
echo "Package installs, runs and removes cleanly."
