#!/usr/bin/env bash
# Runs the "kernel" suite: the Linux backend against Debian's kernel booted under qemu (KVM when
# /dev/kvm works, TCG otherwise, also when KVM cannot start the guest's CPU), and says which ran.
# Installs qemu-system-x86, busybox-static and e2fsprogs when missing and fetches
# linux-image-amd64 into build/kernel (unpacked there, never installed). When this machine
# cannot run the guest it says why and skips (exit 0), never silently.
# Usage: tools/run-kernel-tests.sh [build folder, default build/kernel-suite]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/kernel-suite}

source tools/kernel-guest-setup.sh
kernel_guest_setup "kernel suite" qemu-system-x86 busybox-static e2fsprogs

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKBCONFIG_BUILD_UI=OFF -DKBCONFIG_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target kernel_suite
set +e
(cd "$build" && ctest --output-on-failure -L kernel)
status=$?
set -e
last="$build/Testing/Temporary/LastTest.log"
if grep -q "kernel suite SKIPPED" "$last" 2>/dev/null; then
  grep "kernel suite SKIPPED" "$last" | head -1
  exit 0
fi
# Which accelerator ran the guest, and why KVM was given up when it was.
grep -E "^kernel suite: (booting|passed)" "$last" 2>/dev/null || true
exit $status
