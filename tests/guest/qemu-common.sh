# Sourced by the qemu guests' runners (tests/kernel/run-in-qemu.sh, tests/guest/run-guest.sh):
# Debian's kernel fetched once into a work folder, its modules packed into an initramfs, and the
# accelerator chosen once per boot of this machine.

# guest_fetch_kernel <work folder> <name for the messages>
# Downloads linux-image-amd64 into the work folder and unpacks it there (never installed), once.
# Sets guest_vmlinuz, guest_release and guest_moddir. False when it cannot be had.
guest_fetch_kernel() {
  local work=$1 what=$2 image
  if ! ls "$work"/root/boot/vmlinuz-* >/dev/null 2>&1; then
    echo "$what: fetching linux-image-amd64"
    (cd "$work" && apt-get download linux-image-amd64 >/dev/null 2>&1) || return 1
    image=$(dpkg-deb -f "$work"/linux-image-amd64_*.deb Depends | grep -o 'linux-image-[0-9][^ ,]*' | head -1)
    (cd "$work" && apt-get download "$image" >/dev/null 2>&1) || return 1
    rm -rf "$work/root"
    dpkg-deb -x "$work/$image"_*.deb "$work/root"
  fi
  guest_vmlinuz=$(ls "$work"/root/boot/vmlinuz-* | head -1)
  guest_release=$(basename "$guest_vmlinuz" | sed 's/^vmlinuz-//')
  guest_moddir="$work/root/lib/modules/$guest_release"
}

# guest_pack_modules <initramfs folder> <module...>
# Copies the modules with their dependencies (read from each module's "depends=" field) into
# <initramfs>/lib/modules, uncompressed, and lists them dependencies first in load-order.
guest_pack_modules() {
  local initramfs=$1
  shift
  declare -A packed=()
  local order=()
  mkdir -p "$initramfs/lib/modules"
  module_file() { find "$guest_moddir/kernel" -name "$1.ko" -o -name "$1.ko.xz" -o -name "$1.ko.zst" | head -1; }
  add_module() {
    local name=${1//_/-} file deps dep
    [ -n "${packed[$name]:-}" ] && return 0
    file=$(module_file "$name")
    [ -n "$file" ] || file=$(module_file "${name//-/_}")
    [ -n "$file" ] || { echo "guest: module $name not found in $guest_moddir"; return 1; }
    packed[$name]=1
    deps=$(tr '\0' '\n' < "$file" | sed -n 's/^depends=//p' | head -1)
    for dep in ${deps//,/ }; do add_module "$dep" || return 1; done
    case "$file" in
      *.xz) xz -dc "$file" > "$initramfs/lib/modules/$name.ko" ;;
      *.zst) zstd -qdc "$file" > "$initramfs/lib/modules/$name.ko" ;;
      *) cp "$file" "$initramfs/lib/modules/$name.ko" ;;
    esac
    order+=("$name.ko")
  }
  local module
  for module in "$@"; do add_module "$module" || return 1; done
  printf '%s\n' "${order[@]}" > "$initramfs/lib/modules/load-order"
}

# guest_accelerator <work folder> <busybox>
# Prints "kvm" when KVM boots Debian's kernel on this machine, else "tcg". /dev/kvm can be there
# and still run no guest (qemu aborts with "failed to set MSR 0x10a", or the kernel hangs before
# its first line), so a KVM guest is really booted once: a kernel and an /init that only says so.
# The answer is kept in the work folder for this boot of the machine and this qemu.
guest_accelerator() {
  local work=$1 busybox=$2 key cache="$1/accelerator" probe
  if [ ! -r /dev/kvm ] || [ ! -w /dev/kvm ]; then echo tcg; return; fi
  key="$(cat /proc/sys/kernel/random/boot_id) $(qemu-system-x86_64 --version | head -1) $guest_release"
  if [ -f "$cache" ] && [ "$(sed -n 2p "$cache")" = "$key" ]; then
    sed -n 1p "$cache"
    return
  fi
  probe=$(mktemp -d)
  mkdir -p "$probe/root/bin"
  cp "$busybox" "$probe/root/bin/busybox"
  printf '#!/bin/busybox sh\necho KBCONFIG-KVM-PROBE: STARTED\n/bin/busybox poweroff -f\n' > "$probe/root/init"
  chmod +x "$probe/root/init"
  (cd "$probe/root" && find . | "$busybox" cpio -o -H newc 2>/dev/null) | gzip -1 > "$probe/initramfs.cpio.gz"
  timeout 20 qemu-system-x86_64 -accel kvm -cpu host -m 256 -nographic -no-reboot -nic none \
    -kernel "$guest_vmlinuz" -initrd "$probe/initramfs.cpio.gz" \
    -append "console=ttyS0 panic=-1 rdinit=/init quiet loglevel=3" </dev/null >"$probe/log" 2>&1 || true
  local accel=tcg
  grep -q "KBCONFIG-KVM-PROBE: STARTED" "$probe/log" && accel=kvm
  rm -rf "$probe"
  printf '%s\n%s\n' "$accel" "$key" > "$cache"
  echo "$accel"
}
