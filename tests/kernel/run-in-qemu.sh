#!/usr/bin/env bash
# Boots Debian's kernel (unpacked, never installed) under qemu with an initramfs of busybox, the
# HID/input, loop, device-mapper and ext4 modules and the kernel suite's program, and passes when
# the guest prints the PASSED marker (the program ended with 0).
# Usage: run-in-qemu.sh <program> <config.xml> <work folder, e.g. build/kernel> [executable...]
# The program runs as /kbtest/<its name> /kbtest; each further executable is copied into /kbtest
# beside it with the shared libraries it needs.
# KBCONFIG_KERNEL_TESTS=<gtest filter> runs only those tests of the suite; KBCONFIG_POWER_CUTS=<n>
# has the power-cut test try n cuts (40 by default).
# Exit codes: 0 passed, 1 failed, 77 skipped (this machine cannot run the guest; the reason is printed).
set -euo pipefail

program=$(readlink -f "$1")
program_name=$(basename "$program")
config=$(readlink -f "$2")
work=$3
shift 3
extras=()
for extra in "$@"; do extras+=("$(readlink -f "$extra")"); done
here=$(cd "$(dirname "$0")" && pwd)
# HID and input for the keyboard; loop, device-mapper's log-writes and ext4 for the power-cut test
# (crc32c before ext4: ext4 asks for it by name, which the depends field does not list).
modules_wanted=(hid uhid hid-generic evdev uinput loop dm-mod dm-log-writes crc32c_generic ext4)
marker="KBCONFIG-KERNEL-SUITE: PASSED"
started_marker="KBCONFIG-KERNEL-SUITE: STARTED"

skip() { echo "kernel suite SKIPPED: $*"; exit 77; }

command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is not installed (apt package qemu-system-x86)"
busybox=$(command -v busybox || true)
[ -n "$busybox" ] || skip "busybox is not installed (apt package busybox-static)"
if ldd "$busybox" >/dev/null 2>&1; then skip "$busybox is not statically linked (apt package busybox-static)"; fi
mkfs_ext4=$(PATH="$PATH:/usr/sbin:/sbin" command -v mkfs.ext4 || true)
[ -n "$mkfs_ext4" ] || skip "mkfs.ext4 is not installed (apt package e2fsprogs)"

source "$here/../guest/qemu-common.sh"
mkdir -p "$work"
work=$(readlink -f "$work")
guest_fetch_kernel "$work" "kernel suite" || skip "cannot download linux-image-amd64"
vmlinuz=$guest_vmlinuz
release=$guest_release

# --- initramfs --------------------------------------------------------------------------------
initramfs="$work/initramfs-$program_name"
rm -rf "$initramfs"
mkdir -p "$initramfs"/{bin,proc,sys,dev,lib/modules,kbtest}
cp "$busybox" "$initramfs/bin/busybox"
cp "$here/init.sh" "$initramfs/init"
chmod +x "$initramfs/init"

guest_pack_modules "$initramfs" "${modules_wanted[@]}" || exit 1

# The program and the extra executables, with the shared libraries they need at the paths their
# loader looks for them.
cp "$program" "$initramfs/kbtest/$program_name"
cp "$config" "$initramfs/kbtest/config.xml"
# The power-cut test's file system: small ext4 with 1 KiB blocks, its inode tables and journal
# written now (no lazy initialisation writing behind the test's back).
"$mkfs_ext4" -q -F -b 1024 -E lazy_itable_init=0,lazy_journal_init=0,nodiscard "$initramfs/kbtest/power-cut.img" 3M
for executable in "$program" ${extras[@]+"${extras[@]}"}; do
  [ "$executable" = "$program" ] || cp "$executable" "$initramfs/kbtest/"
  for library in $(ldd "$executable" | grep -o '/[^ ]*'); do
    mkdir -p "$initramfs$(dirname "$library")"
    cp -L "$library" "$initramfs$library"
  done
done

(cd "$initramfs" && find . | "$busybox" cpio -o -H newc 2>/dev/null) | gzip -1 > "$initramfs.cpio.gz"

# --- boot -------------------------------------------------------------------------------------
# KVM when it boots Debian's kernel on this machine (learnt once per boot of the machine by a
# probe guest, see qemu-common.sh), else TCG.
accel=$(guest_accelerator "$work" "$busybox")
log="$work/guest-$program_name.log"
# The first line of the guest may follow the firmware's terminal escapes: the start is found
# anywhere in a line, the verdict only at a line's start.
guest_started() { grep -qF "$started_marker" "$log"; }
guest_passed() { grep -q "^$marker" <(tr -d '\r' < "$log"); }

# The guest's /init reads what to run from its kernel command line.
command_line="console=ttyS0 panic=-1 rdinit=/init quiet loglevel=3 kbprogram=$program_name"
command_line+="${KBCONFIG_KERNEL_TESTS:+ kbtests=$KBCONFIG_KERNEL_TESTS}"
command_line+="${KBCONFIG_POWER_CUTS:+ kbcuts=$KBCONFIG_POWER_CUTS}"

# The guest's console goes to $log and, once qemu has ended, to standard output.
cpu=max
[ "$accel" = kvm ] && cpu=host
echo "kernel suite: booting $release with $accel"
: >"$log"
timeout --foreground 600 qemu-system-x86_64 -accel "$accel" -cpu "$cpu" -m 1024 -smp 2 -nographic -no-reboot \
  -kernel "$vmlinuz" -initrd "$initramfs.cpio.gz" -append "$command_line" </dev/null >"$log" 2>&1 || true
cat "$log"
if guest_started && guest_passed; then
  echo "kernel suite: passed (accelerator: $accel)"
  exit 0
fi
echo "kernel suite: FAILED with $accel (no '$marker' line; guest log in $log)"
exit 1
