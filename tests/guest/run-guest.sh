#!/usr/bin/env bash
# Boots Debian's kernel under qemu with this machine's root file system shared read-only (a tmpfs
# overlay over it, so the guest may write anywhere and nothing reaches the host) and runs one
# script in it as root: whatever is installed or built on the host runs in the guest unchanged,
# against the guest's own kernel devices (uhid, hidraw, evdev, uinput).
#
# Usage: run-guest.sh [--work <folder>] [--memory <MB>] [--time-limit <seconds>]
#                     [--modules "<module>..."] <shared folder>
#
#   <shared folder>  a folder (absolute path without blanks) holding an executable "run". The
#                    guest mounts it read-write at the same path, so paths mean the same on both
#                    sides, and runs "./run" in it with HOME=/root, a plain PATH and KBCONFIG_GUEST=1.
#                    What run writes there is the result; "status" holds its exit code afterwards
#                    and "console.log" the guest's console.
#   --work           where the kernel is fetched and the initramfs made (default build/kernel,
#                    shared with the kernel suite)
#   --memory         guest memory (default 2048)
#   --time-limit     the whole guest's limit (default 900)
#   --modules        kernel modules beyond the default set (virtio and 9p, overlay, hid, uhid,
#                    hid-generic, evdev, uinput)
#
# The console says "KBCONFIG-GUEST: STARTED" when /init starts, "KBCONFIG-GUEST: RUNNING" when
# run starts and "KBCONFIG-GUEST: STATUS <n>" at the end (125: the guest could not set itself up).
# Exit code: run's, 124 when the limit ran out, 77 when this machine cannot run the guest (the
# reason is printed, starting "guest SKIPPED:").
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$root/build/kernel
memory=2048
limit=900
extra_modules=""
while [ $# -gt 1 ]; do
  case $1 in
    --work) work=$2; shift 2 ;;
    --memory) memory=$2; shift 2 ;;
    --time-limit) limit=$2; shift 2 ;;
    --modules) extra_modules=$2; shift 2 ;;
    *) echo "run-guest: unknown option $1" >&2; exit 2 ;;
  esac
done
[ $# -eq 1 ] || { echo "usage: run-guest.sh [options] <shared folder>" >&2; exit 2; }
share=$(readlink -f "$1")
[ -x "$share/run" ] || { echo "run-guest: $share/run is not an executable script" >&2; exit 2; }
case $share in *[[:space:]]*) echo "run-guest: the shared folder's path has a blank: $share" >&2; exit 2 ;; esac

skip() { echo "guest SKIPPED: $*"; exit 77; }
command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is not installed (apt package qemu-system-x86)"
busybox=$(command -v busybox || true)
[ -n "$busybox" ] || skip "busybox is not installed (apt package busybox-static)"
if ldd "$busybox" >/dev/null 2>&1; then skip "$busybox is not statically linked (apt package busybox-static)"; fi

source "$here/qemu-common.sh"
mkdir -p "$work"
work=$(readlink -f "$work")
guest_fetch_kernel "$work" guest || skip "cannot download linux-image-amd64"

initramfs="$work/initramfs-host-root"
rm -rf "$initramfs"
mkdir -p "$initramfs"/{bin,proc,sys,dev}
cp "$busybox" "$initramfs/bin/busybox"
cp "$here/init.sh" "$initramfs/init"
chmod +x "$initramfs/init"
# shellcheck disable=SC2086  # the extra modules are a list
guest_pack_modules "$initramfs" virtio_ring virtio virtio_pci_legacy_dev virtio_pci_modern_dev virtio_pci \
  netfs fscache 9pnet 9pnet_virtio 9p overlay hid uhid hid-generic evdev uinput $extra_modules ||
  { echo "run-guest: the modules could not be packed"; exit 1; }
(cd "$initramfs" && find . | "$busybox" cpio -o -H newc 2>/dev/null) | gzip -1 > "$initramfs.cpio.gz"

accel=$(guest_accelerator "$work" "$busybox")
# Under TCG, "-cpu max" makes Wine's processes die in kernel oopses; Haswell-v4 runs them (without
# the features TCG cannot give, which qemu would otherwise warn about at every start).
cpu=Haswell-v4,pcid=off,x2apic=off,tsc-deadline=off,invpcid=off,spec-ctrl=off
[ "$accel" = kvm ] && cpu=host
echo "guest: booting $guest_release with $accel ($(basename "$share"))"

log="$share/console.log"
rm -f "$share/status"
started=$(date +%s)
set +e
timeout --foreground "$limit" qemu-system-x86_64 -accel "$accel" -cpu "$cpu" -m "$memory" -smp 2 -nographic -no-reboot -nic none \
  -kernel "$guest_vmlinuz" -initrd "$initramfs.cpio.gz" \
  -append "console=ttyS0 panic=-1 rdinit=/init quiet loglevel=3 kbshare=$share" \
  -virtfs local,path=/,mount_tag=host,security_model=none,readonly=on,multidevs=remap \
  -virtfs "local,path=$share,mount_tag=share,security_model=none,multidevs=remap" \
  </dev/null >"$log" 2>&1
qemu_status=$?
set -e
tr -d '\r' < "$log"
echo "guest: ended after $(($(date +%s) - started)) s of wall time"
if [ "$qemu_status" -eq 124 ]; then
  echo "guest: FAILED: still running after ${limit} s"
  exit 124
fi
status=$(tr -d '\r' < "$log" | sed -n 's/.*KBCONFIG-GUEST: STATUS \([0-9]*\).*/\1/p' | tail -1)
if [ -z "$status" ]; then
  echo "guest: FAILED: the guest ended without a status (qemu exit code $qemu_status)"
  exit 1
fi
exit "$status"
