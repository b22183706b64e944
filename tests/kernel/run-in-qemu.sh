#!/usr/bin/env bash
# Boots Debian's kernel (unpacked, never installed) under qemu with an initramfs of busybox, the
# HID/input, loop, device-mapper and ext4 modules and a program of the kernel suite (the suite
# itself, or its benchmark), and passes when the guest prints the PASSED marker (the program
# ended with 0).
# Usage: run-in-qemu.sh <program> <config.xml> <work folder, e.g. build/kernel> [executable...]
# The program runs as /kbtest/<its name> /kbtest; each further executable is copied into /kbtest
# beside it with the shared libraries it needs.
# KBCONFIG_KERNEL_TESTS=<gtest filter> runs only those tests of the suite; KBCONFIG_POWER_CUTS=<n>
# has the power-cut test try n cuts (40 by default); KBCONFIG_BENCH_PRESSES=<n> sets the
# benchmark's presses per tool (2000 by default).
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

mkdir -p "$work"
work=$(readlink -f "$work")
if ! ls "$work"/root/boot/vmlinuz-* >/dev/null 2>&1; then
  echo "kernel suite: fetching linux-image-amd64"
  (cd "$work" && apt-get download linux-image-amd64 >/dev/null 2>&1) || skip "cannot download linux-image-amd64"
  image=$(dpkg-deb -f "$work"/linux-image-amd64_*.deb Depends | grep -o 'linux-image-[0-9][^ ,]*' | head -1)
  (cd "$work" && apt-get download "$image" >/dev/null 2>&1) || skip "cannot download $image"
  rm -rf "$work/root"
  dpkg-deb -x "$work/$image"_*.deb "$work/root"
fi
vmlinuz=$(ls "$work"/root/boot/vmlinuz-* | head -1)
release=$(basename "$vmlinuz" | sed 's/^vmlinuz-//')
moddir="$work/root/lib/modules/$release"

# --- initramfs --------------------------------------------------------------------------------
initramfs="$work/initramfs-$program_name"
rm -rf "$initramfs"
mkdir -p "$initramfs"/{bin,proc,sys,dev,lib/modules,kbtest}
cp "$busybox" "$initramfs/bin/busybox"
cp "$here/init.sh" "$initramfs/init"
chmod +x "$initramfs/init"

# Modules with their dependencies (read from each module's "depends=" field), dependencies first.
declare -A loaded=()
order=()
module_file() { find "$moddir/kernel" -name "$1.ko" -o -name "$1.ko.xz" -o -name "$1.ko.zst" | head -1; }
add_module() {
  local name=${1//_/-} file deps dep
  [ -n "${loaded[$name]:-}" ] && return 0
  file=$(module_file "$name")
  [ -n "$file" ] || file=$(module_file "${name//-/_}")
  [ -n "$file" ] || { echo "kernel suite: module $name not found in $moddir"; exit 1; }
  loaded[$name]=1
  deps=$(tr '\0' '\n' < "$file" | sed -n 's/^depends=//p' | head -1)
  for dep in ${deps//,/ }; do add_module "$dep"; done
  case "$file" in
    *.xz) xz -dc "$file" > "$initramfs/lib/modules/$name.ko" ;;
    *.zst) zstd -qdc "$file" > "$initramfs/lib/modules/$name.ko" ;;
    *) cp "$file" "$initramfs/lib/modules/$name.ko" ;;
  esac
  order+=("$name.ko")
}
for module in "${modules_wanted[@]}"; do add_module "$module"; done
printf '%s\n' "${order[@]}" > "$initramfs/lib/modules/load-order"

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
# KVM when /dev/kvm is usable (a probe guest keeps running instead of failing at once), else TCG.
# The probe starts no CPU, so it passes on hosts whose KVM then cannot run the guest's CPU (qemu
# aborts with "failed to set MSR ...", or hangs in the firmware): a KVM boot whose /init has not
# said a word within a minute is stopped and booted again with TCG.
kvm_works() {
  [ -r /dev/kvm ] && [ -w /dev/kvm ] || return 1
  local rc=0
  timeout 3 qemu-system-x86_64 -accel kvm -M none -nodefaults -display none -S </dev/null >/dev/null 2>&1 || rc=$?
  [ "$rc" -eq 124 ]
}
log="$work/guest-$program_name.log"
# The first line of the guest may follow the firmware's terminal escapes: the start is found
# anywhere in a line, the verdict only at a line's start.
guest_started() { grep -qF "$started_marker" "$log"; }
guest_passed() { grep -q "^$marker" <(tr -d '\r' < "$log"); }

# The guest's /init reads what to run from its kernel command line.
command_line="console=ttyS0 panic=-1 rdinit=/init quiet loglevel=3 kbprogram=$program_name"
command_line+="${KBCONFIG_KERNEL_TESTS:+ kbtests=$KBCONFIG_KERNEL_TESTS}"
command_line+="${KBCONFIG_POWER_CUTS:+ kbcuts=$KBCONFIG_POWER_CUTS}"
command_line+="${KBCONFIG_BENCH_PRESSES:+ kbpresses=$KBCONFIG_BENCH_PRESSES}"

# boot <seconds to reach /init, 0 = no limit> <accelerator arguments...>
# The guest's console goes to $log and, once qemu has ended, to standard output. False when the
# guest did not start in time (qemu is stopped then).
boot() {
  local start_limit=$1
  shift
  : >"$log"  # emptied here: the background qemu may truncate it only after the first look below
  timeout 600 qemu-system-x86_64 "$@" -m 1024 -smp 2 -nographic -no-reboot \
    -kernel "$vmlinuz" -initrd "$initramfs.cpio.gz" \
    -append "$command_line" \
    </dev/null >"$log" 2>&1 &
  local qemu=$! waited=0 started=0
  start_timed_out=0
  while kill -0 "$qemu" 2>/dev/null; do
    if guest_started; then started=1; break; fi
    if [ "$start_limit" -gt 0 ] && [ "$waited" -ge $((start_limit * 10)) ]; then
      kill "$qemu" 2>/dev/null || true
      start_timed_out=1
      break
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  wait "$qemu" 2>/dev/null || true
  cat "$log"
  [ "$started" -eq 1 ] || guest_started
}

accel=tcg
if kvm_works; then
  accel=kvm
  echo "kernel suite: booting $release with kvm"
  if ! boot 60 -accel kvm -cpu host; then
    reason=$(grep -m1 'qemu-system-x86_64:' "$log" || true)
    if [ "$start_timed_out" -eq 1 ] || [ -z "$reason" ]; then reason="no word from /init within 60 s"; fi
    echo "kernel suite: KVM did not start the guest ($reason); booting again with tcg"
    accel=tcg
  fi
fi
if [ "$accel" = tcg ]; then
  echo "kernel suite: booting $release with tcg"
  boot 0 -accel tcg -cpu max || true
fi
if guest_passed; then
  echo "kernel suite: passed (accelerator: $accel)"
  exit 0
fi
echo "kernel suite: FAILED with $accel (no '$marker' line; guest log in $log)"
exit 1
