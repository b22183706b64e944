# Sourced inside the host-root guest (tests/guest/run-guest.sh) by scripts that set up what a
# desktop has: udev and an X display. Each function logs into $guest_logs (default: the current folder).

guest_uptime() { cut -d' ' -f1 /proc/uptime; }
# Seconds since an uptime taken with guest_uptime.
guest_since() { awk -v from="$1" '{ printf "%.1f", $1 - from }' /proc/uptime; }

# systemd-udevd, as on a desktop: device nodes get their rules' permissions and properties, and
# programs that listen to udev (Wine's HID bus, Xorg, libinput) hear of devices coming and going.
# The host's rules are used, but for input-remapper's, which would start its control program for
# every input device (the remap benchmark starts input-remapper itself when it measures it).
guest_start_udevd() {
  mkdir -p /etc/udev/rules.d /run/udev
  ln -sf /dev/null /etc/udev/rules.d/60-input-remapper-daemon.rules
  /lib/systemd/systemd-udevd --daemon >"${guest_logs:-.}/udevd.log" 2>&1 || return 1
  # udevadm refuses to trigger in a chroot unless told that this one is the system.
  SYSTEMD_IGNORE_CHROOT=1 udevadm trigger --action=add >/dev/null 2>&1
  SYSTEMD_IGNORE_CHROOT=1 udevadm settle --timeout=120 >/dev/null 2>&1
  return 0
}

# guest_start_xvfb <display>: a virtual X display; true once its socket is there.
guest_start_xvfb() {
  local display=$1 number=${1#:}
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"${guest_logs:-.}/xvfb.log" 2>&1 &
  for _ in $(seq 600); do
    [ -S "/tmp/.X11-unix/X$number" ] && return 0
    sleep 0.2
  done
  echo "guest: Xvfb $display did not start:"
  cat "${guest_logs:-.}/xvfb.log"
  return 1
}

# guest_start_xorg <display>: Xorg with the dummy video driver, taking its keyboards from udev
# through libinput (xorg-dummy.conf), so keys of a kernel keyboard reach X programs. True once its
# socket is there; its log goes to xorg.log.
guest_start_xorg() {
  local display=$1 number=${1#:} here
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  Xorg "$display" -config "$here/xorg-dummy.conf" -noreset -nolisten tcp -novtswitch -sharevts \
    -logfile "${guest_logs:-.}/xorg.log" >"${guest_logs:-.}/xorg.out" 2>&1 &
  for _ in $(seq 600); do
    [ -S "/tmp/.X11-unix/X$number" ] && return 0
    sleep 0.2
  done
  echo "guest: Xorg $display did not start:"
  tail -n 20 "${guest_logs:-.}/xorg.out"
  return 1
}
