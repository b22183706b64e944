#!/usr/bin/env bash
# Sets up the machine, then builds and runs the whole test suite: a plain build, and a build under
# AddressSanitizer + UndefinedBehaviorSanitizer, and the Qt-free tests under ThreadSanitizer.
# Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh

jobs=$(nproc)

# The stages after the builds may leave tests out where this machine cannot run them (each says
# why); their output is kept so the run can end with the list.
skips_log=build/test-run-stages.log
mkdir -p build
: >"${skips_log}"
stage() { "$@" 2>&1 | tee -a "${skips_log}"; }
summary() {
  local status=$?
  echo "== what did not run"
  grep -E 'SKIPPED|did NOT run' "${skips_log}" | sort -u || echo "   everything ran"
  echo "== tools/run-tests.sh ends with status ${status}"
}
trap summary EXIT

run_suite() {
  local dir=$1 sanitize=$2 build_ui=$3
  shift 3
  echo "== build ${dir} (sanitize='${sanitize}')"
  # Sanitizer builds use -O1: quicker to build than -O2, still fast enough to run.
  local type=RelWithDebInfo
  [ -n "${sanitize}" ] && type=Debug
  cmake -S . -B "${dir}" -DCMAKE_BUILD_TYPE="${type}" -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DKBCONFIG_SANITIZE="${sanitize}" \
    -DKBCONFIG_BUILD_UI="${build_ui}" -DKBCONFIG_BUILD_BENCHMARKS=OFF >/dev/null
  cmake --build "${dir}" -j "${jobs}"
  echo "== test ${dir}"
  (cd "${dir}" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "${jobs}" -LE 'bench|kernel|win32' "$@")
}

run_suite build/tests ""  ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite build/asan "address,undefined" OFF
# The kill test checks crash safety, not threads; under ThreadSanitizer its helper is too slow to
# finish a save between kills, so it runs in the two builds above only.
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  run_suite build/tsan "thread" OFF -E KillDuringSave

# Last: a bounded fuzz run of every loader of outside data (clang, libFuzzer).
stage bash tools/run-fuzz.sh

# The Debian package of build/tests: linted, installed, started without a keyboard, purged.
stage bash tools/run-package-test.sh build/tests

# The Linux backend against the real kernel under qemu (skips with its reason where qemu cannot run).
echo "== kernel suite"
stage bash tools/run-kernel-tests.sh build/kernel-suite

# The Windows program with Qt, cross-built with MinGW-w64 for x86_64 and i686: its tests (label
# win32, the UI tests among them) under Wine, its installer, and the installed program end to end.
stage bash tools/build-win32.sh
