#!/usr/bin/env bash
# Runs the remap-latency benchmark on the real kernel (label bench, not part of the test command):
# kbconfig's key filter, channel, key-event routine and virtual device beside Debian's
# interception-tools, in one qemu guest of the kernel suite, on a Release build. Installs what it
# needs when missing (what tools/run-kernel-tests.sh installs, and interception-tools) and prints
# the figures with the accelerator that ran the guest.
# Usage: tools/run-kernel-bench.sh [build folder, default build/kernel-bench]
# KBCONFIG_BENCH_PRESSES=<n> sets the presses per tool (2000 by default).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/kernel-bench}

source tools/kernel-guest-setup.sh
kernel_guest_setup "kernel bench" qemu-system-x86 busybox-static e2fsprogs interception-tools

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKBCONFIG_BUILD_UI=OFF -DKBCONFIG_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target kernel_remap_bench
set +e
output=$(bash tests/kernel/run-in-qemu.sh "$build/tests/kernel/kernel_remap_bench" tests/kernel/config.xml \
  build/kernel /usr/bin/interception /usr/bin/uinput 2>&1)
status=$?
set -e
if [ "$status" -ne 0 ]; then
  echo "$output" | tail -40
  [ "$status" -eq 77 ] && exit 0
  exit "$status"
fi
echo "$output" | grep -E "^kernel suite: (booting|KVM did not|passed)"
echo "$output" | tr -d '\r' | sed -n '/^remap latency:/,/^  ratio/p'
