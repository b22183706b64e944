#!/usr/bin/env bash
# Runs the remap-latency benchmark on the real kernel (label bench, not part of the test command):
# kbconfig's key filter, channel, key-event routine and virtual device beside Debian's
# interception-tools and input-remapper 1.5.0, in one host-root guest (tests/guest/run-guest.sh),
# on a Release build. Installs what it needs when missing (input-remapper only when it can be
# had: otherwise one line says it is not measured) and prints the figures with the accelerator
# that ran the guest.
# Usage: tools/run-kernel-bench.sh [build folder, default build/kernel-bench]
# KBCONFIG_BENCH_PRESSES=<n> sets the presses per tool (2000 by default).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build/kernel-bench}

source tools/kernel-guest-setup.sh
kernel_guest_setup "kernel bench" qemu-system-x86 busybox-static interception-tools
remapper=yes
kernel_guest_install_optional "kernel bench" input-remapper-daemon dbus || remapper=no

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKBCONFIG_BUILD_UI=OFF -DKBCONFIG_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target kernel_remap_bench
share=$root/build/guest/kernel-bench
rm -rf "$share"
mkdir -p "$share"
{
  echo "#!/bin/sh"
  [ -n "${KBCONFIG_BENCH_PRESSES:-}" ] && echo "export KBCONFIG_BENCH_PRESSES=$KBCONFIG_BENCH_PRESSES"
  echo "exec $root/tests/kernel/bench-in-guest.sh $(readlink -f "$build/tests/kernel/kernel_remap_bench") $root/tests/kernel $remapper"
} >"$share/run"
chmod +x "$share/run"
set +e
output=$(bash tests/guest/run-guest.sh --time-limit 3600 "$share" 2>&1)
status=$?
set -e
if [ "$status" -ne 0 ]; then
  echo "$output" | tail -40
  [ "$status" -eq 77 ] && exit 0
  exit "$status"
fi
echo "$output" | grep -E "^guest: (booting|ended)"
echo "$output" | tr -d '\r' | grep -E "^kernel bench: " || true
# The table: its title, its note in brackets and its indented rows.
echo "$output" | tr -d '\r' | awk '/^remap latency:/ { on = 1 } on && !/^(remap latency:|\(|  )/ { on = 0 } on { print }'
