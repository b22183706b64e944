#!/bin/sh
# Lets the logged-in user run kbconfig on Linux without root: writes a udev rules file that grants
# the seat's user (TAG+="uaccess") access to this keyboard's hidraw and input nodes, chosen by the
# vendor and product in config.xml, and to /dev/uinput; loads the uinput module now and at boot.
# No other hidraw device is opened up.
# Usage (as root): install-udev-rules.sh [path/to/config.xml]     (default: ../../config.xml)
#                  install-udev-rules.sh --remove
#   (any user):    install-udev-rules.sh --print [path/to/config.xml]
#                  writes the rules to standard output and changes nothing (the Debian package's
#                  build takes its rules file from here)
set -eu

rules=/etc/udev/rules.d/70-kbconfig.rules
modules_load=/etc/modules-load.d/kbconfig.conf

print_only=0
if [ "${1:-}" = "--print" ]; then
  print_only=1
  shift
fi

if [ "$print_only" -eq 0 ] && [ "$(id -u)" -ne 0 ]; then
  echo "install-udev-rules.sh: run as root (sudo $0 $*)" >&2
  exit 1
fi

if [ "${1:-}" = "--remove" ]; then
  rm -f "$rules" "$modules_load"
  udevadm control --reload-rules && udevadm trigger --subsystem-match=hidraw --subsystem-match=input --subsystem-match=misc
  echo "kbconfig udev rules removed"
  exit 0
fi

here=$(cd "$(dirname "$0")" && pwd)
config=${1:-$here/../../config.xml}
if [ ! -r "$config" ]; then
  echo "install-udev-rules.sh: cannot read $config" >&2
  exit 1
fi

# The usb element's vid and pid attributes: hexadecimal, as config.xml writes them.
attribute() {
  sed -n 's/.*<usb[^>]*[[:space:]]'"$1"'="\([0-9A-Fa-fxX]*\)".*/\1/p' "$config" | head -n 1 | sed 's/^0[xX]//'
}
vid=$(attribute vid | tr 'A-F' 'a-f')
pid=$(attribute pid | tr 'A-F' 'a-f')
case "$vid$pid" in
  *[!0-9a-f]*|"") echo "install-udev-rules.sh: no usable vid/pid in $config" >&2; exit 1 ;;
esac
vid=$(printf '%04x' "0x$vid")
pid=$(printf '%04x' "0x$pid")

write_rules() {
  upper_vid=$(echo "$vid" | tr 'a-f' 'A-F')
  upper_pid=$(echo "$pid" | tr 'a-f' 'A-F')
  cat <<RULES
# Written by kbconfig's install-udev-rules.sh for the keyboard $vid:$pid.
# Its hidraw nodes (lighting reports), USB or any other bus:
KERNEL=="hidraw*", SUBSYSTEM=="hidraw", ATTRS{idVendor}=="$vid", ATTRS{idProduct}=="$pid", TAG+="uaccess"
KERNEL=="hidraw*", SUBSYSTEM=="hidraw", KERNELS=="*:$upper_vid:$upper_pid.*", TAG+="uaccess"
# Its input nodes (the key filter grabs them):
SUBSYSTEM=="input", KERNEL=="event*", ATTRS{idVendor}=="$vid", ATTRS{idProduct}=="$pid", TAG+="uaccess"
SUBSYSTEM=="input", KERNEL=="event*", KERNELS=="*:$upper_vid:$upper_pid.*", TAG+="uaccess"
# uinput (the virtual HID device and the key filter's pass-through device):
KERNEL=="uinput", SUBSYSTEM=="misc", TAG+="uaccess", OPTIONS+="static_node=uinput"
RULES
}

if [ "$print_only" -eq 1 ]; then
  write_rules
  exit 0
fi

write_rules > "$rules"

echo uinput > "$modules_load"
modprobe uinput || echo "install-udev-rules.sh: could not load uinput now; it loads at the next boot" >&2
udevadm control --reload-rules
udevadm trigger --subsystem-match=hidraw --subsystem-match=input --subsystem-match=misc
echo "kbconfig udev rules installed in $rules for $vid:$pid"
