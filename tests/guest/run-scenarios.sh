#!/usr/bin/env bash
# The whole programs against a kernel HID keyboard, in one host-root guest (run-guest.sh):
#
#   --linux <build folder>     kbconfig of that build (app/kbconfig, app/uires, app/config.xml)
#   --windows <win32 build>    kbconfig.exe as installed by the setup of build/win32-<arch>: the setup
#                              runs silently here, natively, in a Wine prefix of its own
#                              (<win32 build>/guest-prefix, made once), then the guest runs it
#                              from "C:\Program Files\kbconfig" (repeatable: x86_64 and i686)
#   --tests <file>             the guest test program (guest_program_tests of a Linux build)
#   --name <name>              the run's folder under build/guest (default "scenarios")
#
# KBCONFIG_GUEST_TESTS=<gtest filter> runs only some tests of each scenario;
# KBCONFIG_GUEST_WINEDEBUG=<channels> traces Wine's services (into <scenario>/wineboot.log); KBCONFIG_XVFB_DISPLAY
# picks the display the Wine prefix is prepared on. Prints one line per scenario ("scenario <name>:
# passed|FAILED in <s> s") and the guest's wall time. Exit code: 0 when all passed, 77 when this
# machine cannot run the guest (the reason is printed), else 1.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
linux_build=""
windows_builds=()
tests=""
name=scenarios
while [ $# -gt 0 ]; do
  case $1 in
    --linux) linux_build=$(readlink -f "$2"); shift 2 ;;
    --windows) windows_builds+=("$(readlink -f "$2")"); shift 2 ;;
    --tests) tests=$(readlink -f "$2"); shift 2 ;;
    --name) name=$2; shift 2 ;;
    *) echo "usage: run-scenarios.sh [--linux <build>] [--windows <win32 build>]... --tests <file> [--name <name>]" >&2; exit 2 ;;
  esac
done
[ -x "$tests" ] || { echo "run-scenarios: no guest test program ($tests)" >&2; exit 2; }
share=$root/build/guest/$name
rm -rf "$share"
mkdir -p "$share"
# Xorg reading the keyboard, so that its keys reach the Windows program through X, where Xorg's
# packages are there (KBCONFIG_GUEST_KEYS_THROUGH_X=0: Xvfb, and the key test is skipped).
display=xvfb
if [ ${#windows_builds[@]} -gt 0 ] && [ "${KBCONFIG_GUEST_KEYS_THROUGH_X:-1}" = 0 ]; then
  echo "guest: the Windows program's keys through X did NOT run (KBCONFIG_GUEST_KEYS_THROUGH_X=0 was given)"
elif [ ${#windows_builds[@]} -gt 0 ] && [ -x /usr/lib/xorg/Xorg ] && [ -f /usr/lib/xorg/modules/drivers/dummy_drv.so ] &&
   [ -f /usr/lib/xorg/modules/input/libinput_drv.so ]; then
  display=xorg
elif [ ${#windows_builds[@]} -gt 0 ]; then
  echo "guest: the Windows program's keys through X did NOT run: Xorg with the dummy driver and libinput is not installed (xserver-xorg-core, xserver-xorg-video-dummy, xserver-xorg-input-libinput)"
fi
echo "display $display" >"$share/scenarios"

if [ -n "$linux_build" ]; then
  [ -x "$linux_build/app/kbconfig" ] || { echo "run-scenarios: no $linux_build/app/kbconfig" >&2; exit 2; }
  echo "linux-program linux-program $linux_build/app $tests" >>"$share/scenarios"
fi

# --- the Windows program, installed into a prefix of its own ---------------------------------------
xvfb_pid=""
stop_display() { if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi; }
trap stop_display EXIT
host_display() {
  [ -n "$xvfb_pid" ] && return 0
  # A display that is already there (the Windows stage's) serves.
  if [ -n "${DISPLAY:-}" ] && [ -S "/tmp/.X11-unix/X${DISPLAY#:}" ]; then return 0; fi
  source "$root/tools/xvfb.sh"
  xvfb_start || { echo "run-scenarios: Xvfb did not start" >&2; exit 1; }
}

# prepare_prefix <win32 build folder>: makes the prefix (once), sets what the guest needs and
# installs the build's setup silently. Prints the scenario line, or a SKIPPED line saying why.
prepare_prefix() {
  local build=$1 arch loader wine_arch setup
  arch=${build##*/win32-}
  if [ "$arch" = x86_64 ]; then loader=/usr/lib/wine/wine64; wine_arch=win64; else loader=/usr/lib/wine/wine; wine_arch=win32; fi
  setup=$(ls "$build"/kbconfig-*-setup.exe 2>/dev/null | head -n 1)
  local listing="$build/tests/guest/hid_listing.exe" probe="$build/tests/windows_e2e/window_probe.exe"
  if [ ! -x "$loader" ]; then
    echo "windows-program-$arch SKIPPED: $loader is not installed (Debian package $( [ "$arch" = x86_64 ] && echo wine64 || echo wine32:i386))"
    return 0
  fi
  if [ -z "$setup" ] || [ ! -f "$listing" ] || [ ! -f "$probe" ]; then
    echo "windows-program-$arch SKIPPED: $build lacks its setup, tests/guest/hid_listing.exe or tests/windows_e2e/window_probe.exe (tools/build-win32.sh makes them)"
    return 0
  fi
  host_display
  export WINEPREFIX=$build/guest-prefix WINEARCH=$wine_arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "run-scenarios: making the Wine prefix $WINEPREFIX" >&2
    "$loader" wineboot --init >/dev/null 2>&1 || true
  fi
  # Wine's HID bus reads hidraw nodes only when its SDL backend is off. Its evdev backend is off
  # too: in Wine 8.0 the udev "remove" of an input device without a device node (the inputN
  # parent of every event node) ends the bus's udev thread (bus_udev.c compares the missing node
  # name), and Wine hears of no device coming or going after that. Under TCG a service takes longer
  # to start than the 10 s Wine gives it by default.
  "$loader" reg add 'HKLM\System\CurrentControlSet\Services\WineBus' /v "Enable SDL" /t REG_DWORD /d 0 /f >/dev/null 2>&1
  "$loader" reg add 'HKLM\System\CurrentControlSet\Services\WineBus' /v DisableInput /t REG_DWORD /d 1 /f >/dev/null 2>&1
  "$loader" reg add 'HKLM\System\CurrentControlSet\Control' /v ServicesPipeTimeout /t REG_SZ /d 300000 /f >/dev/null 2>&1
  "$loader" "$setup" /S /AUTOSTART=0
  /usr/lib/wine/wineserver -w
  echo "windows-program windows-program-$arch $loader $WINEPREFIX $listing $probe $tests" >>"$share/scenarios"
}
for build in ${windows_builds[@]+"${windows_builds[@]}"}; do prepare_prefix "$build"; done
stop_display

if [ "$(wc -l <"$share/scenarios")" -lt 2 ]; then
  echo "guest scenarios SKIPPED: nothing to run"
  exit 0
fi
{
  echo "#!/bin/sh"
  [ -n "${KBCONFIG_GUEST_TESTS:-}" ] && echo "export KBCONFIG_GUEST_TESTS='$KBCONFIG_GUEST_TESTS'"
  [ -n "${KBCONFIG_GUEST_WINEDEBUG:-}" ] && echo "export KBCONFIG_GUEST_WINEDEBUG='$KBCONFIG_GUEST_WINEDEBUG'"
  echo "exec $here/in-guest.sh"
} >"$share/run"
chmod +x "$share/run"

set +e
bash "$here/run-guest.sh" --time-limit 2400 "$share" >"$share/guest.out" 2>&1
status=$?
set -e
if [ "$status" -eq 77 ]; then
  grep "guest SKIPPED" "$share/guest.out"
  exit 77
fi
if [ "$status" -ne 0 ]; then tail -n 150 "$share/guest.out"; fi
grep -E "^(guest: booting|scenario |guest: ended)" "$share/guest.out" || true
[ "$status" -eq 0 ] || exit 1
