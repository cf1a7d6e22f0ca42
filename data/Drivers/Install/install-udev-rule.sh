#!/bin/sh
# Installs the udev rule that lets users of this computer reach the Zirk
# instrument without root rights, then reloads udev.  Started by Zirk from
# Tools > Drivers Installation; it can also be run by hand.  Unplug the
# instrument and plug it in again afterwards.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
rule="$here/70-zirk.rules"
target=/etc/udev/rules.d/70-zirk.rules

if [ ! -f "$rule" ]; then
  echo "The rule file $rule is missing." >&2
  exit 1
fi

if [ "$(id -u)" -ne 0 ]; then
  # Ask for the administrator's password the way the desktop does, else in a
  # terminal.
  if command -v pkexec >/dev/null 2>&1; then
    exec pkexec /bin/sh "$here/$(basename "$0")"
  fi
  if [ -t 0 ] && command -v sudo >/dev/null 2>&1; then
    exec sudo /bin/sh "$here/$(basename "$0")"
  fi
  if command -v x-terminal-emulator >/dev/null 2>&1 && command -v sudo >/dev/null 2>&1; then
    exec x-terminal-emulator -e sudo /bin/sh "$here/$(basename "$0")"
  fi
  echo "Run this script as root: sudo sh $here/$(basename "$0")" >&2
  exit 1
fi

install -m 0644 "$rule" "$target"
if command -v udevadm >/dev/null 2>&1; then
  udevadm control --reload-rules
  udevadm trigger --subsystem-match=usb --attr-match=idVendor=0403 || true
  udevadm trigger --subsystem-match=tty || true
fi
echo "Installed $target. Unplug the Zirk instrument and plug it in again."
