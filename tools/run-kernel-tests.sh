#!/usr/bin/env bash
# Runs the "kernel" suite: the Linux backend against Debian's kernel booted under qemu (KVM where it
# boots the guest, TCG otherwise), and says which ran; then the whole Linux program (kbconfig of
# the program build) against an emulated kernel keyboard in the host-root guest
# (tests/guest/run-scenarios.sh). Installs qemu-system-x86, busybox-static, e2fsprogs, udev, xvfb
# and xdotool when missing and fetches linux-image-amd64 into build/kernel (unpacked there, never
# installed). When this machine cannot run the guest it says why and skips (exit 0), never silently.
# Usage: tools/run-kernel-tests.sh [suite build folder, default build/kernel-suite]
#                                  [program build folder, default build/tests]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/kernel-suite}
program_build=${2:-build/tests}

source tools/kernel-guest-setup.sh
kernel_guest_setup "kernel suite" qemu-system-x86 busybox-static e2fsprogs
scenarios=yes
kernel_guest_install_optional "guest scenarios" udev xvfb xdotool || scenarios=no

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKBCONFIG_BUILD_UI=OFF -DKBCONFIG_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target kernel_suite guest_program_tests
set +e
(cd "$build" && ctest --output-on-failure -L kernel)
status=$?
set -e
last="$build/Testing/Temporary/LastTest.log"
if grep -q "kernel suite SKIPPED" "$last" 2>/dev/null; then
  grep "kernel suite SKIPPED" "$last" | head -1
  exit 0
fi
# Which accelerator ran the guest.
grep -E "^kernel suite: (booting|passed)" "$last" 2>/dev/null || true

# The whole program: kbconfig of the program build (built here when it is missing).
if [ "$scenarios" = no ]; then
  echo "guest scenarios SKIPPED: udev, xvfb or xdotool cannot be installed; the Linux program did not run against the kernel keyboard"
  exit $status
fi
if [ ! -x "$program_build/app/kbconfig" ]; then
  cmake -S . -B "$program_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$program_build" -j "$(nproc)" --target kbconfig
fi
started=$(date +%s)
set +e
bash tests/guest/run-scenarios.sh --linux "$program_build" --tests "$build/tests/guest/guest_program_tests" --name linux-program
scenario_status=$?
set -e
echo "guest scenarios: $(($(date +%s) - started)) s of wall time"
[ "$scenario_status" -eq 77 ] && scenario_status=0
[ "$status" -eq 0 ] && status=$scenario_status
exit $status
