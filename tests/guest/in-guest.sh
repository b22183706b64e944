#!/bin/bash
# Runs the whole-program scenarios inside the host-root guest (started by run-scenarios.sh, which
# writes the shared folder's "run" to call this), as listed in the shared folder's "scenarios", one
# line each (no blanks in the arguments), after a first line "display xvfb" or "display xorg" (Xorg
# reading the keyboards through libinput, so their keys reach X programs; Xvfb when it cannot start):
#
#   linux-program <name> <program folder: kbconfig, uires, config.xml> <guest_program_tests>
#   windows-program <name> <wine loader> <prefix with kbconfig installed> <hid_listing.exe> <window_probe.exe>
#                   <guest_program_tests>
#
# Each scenario's logs go to <shared folder>/<name>/; the summary line "scenario <name>: passed|FAILED
# in <s> s" goes to the console. KBCONFIG_GUEST_TESTS=<gtest filter> (in the scenario file) runs
# only some tests. Exit code: 0 when every scenario passed.
set -u
share=$(pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/guest-lib.sh"
export guest_logs=$share
status=0
listed=$(($(wc -l <"$share/scenarios") - 1))
ran=0

echo "guest: setting up udev and X ($(guest_uptime) s since boot)"
guest_start_udevd || echo "guest: udevd did not start (see udevd.log)"
read -r _ display <"$share/scenarios"
keys_reach_x=no
if [ "$display" = xorg ]; then
  if guest_start_xorg :1; then
    keys_reach_x=yes
  else
    echo "guest: Xorg did not start (xorg.log): Xvfb instead, and no key of the keyboard reaches X"
  fi
fi
if [ "$keys_reach_x" = no ]; then guest_start_xvfb :1 || exit 1; fi
export DISPLAY=:1

# linux-program <folder> <tests>
linux_program() {
  local out=$1 folder=$2 tests=$3 program=/tmp/kbconfig-program
  rm -rf "$program"
  mkdir -p "$program"
  cp -r "$folder/kbconfig" "$folder/uires" "$folder/config.xml" "$program/"
  QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=/tmp "$tests" --gtest_color=no ${KBCONFIG_GUEST_TESTS:+--gtest_filter=$KBCONFIG_GUEST_TESTS} \
    --kind linux --data "$program" --results "$out" -- "$program/kbconfig"
}

# windows-program <wine loader> <prefix> <listing> <probe> <tests>
windows_program() {
  local out=$1 loader=$2 prefix=$3 listing=$4 probe=$5 tests=$6 started result
  # Wine's diagnostics stay on: "no driver could be loaded" in a program's log says why it has no windows.
  export WINEPREFIX=$prefix WINEDEBUG=-all,err+winediag WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
  # One server for the scenario; the prefix's services (the HID bus among them) start once.
  /usr/lib/wine/wineserver -k >/dev/null 2>&1
  /usr/lib/wine/wineserver -p
  started=$(guest_uptime)
  # The services' own output (the HID bus, plug and play) goes where wineboot's goes;
  # KBCONFIG_GUEST_WINEDEBUG=<channels> traces them there.
  WINEDEBUG=${KBCONFIG_GUEST_WINEDEBUG:--all} "$loader" wineboot >"$out/wineboot.log" 2>&1
  echo "guest: $(basename "$out"): Wine's services started in $(guest_since "$started") s"
  # The first program that needs Wine's desktop starts its process (explorer.exe /desktop) and
  # waits 10 s for it; a program whose wait ran out gets no display driver and no windows. Under
  # TCG that process takes longer: wait until a program can make a window before the scenario's
  # programs start. Wine ends the desktop process 1 s after the last program on the desktop has
  # gone (wineserver's close_desktop_timeout), and the next program would pay that wait again
  # and lose it: a keeper stays on the desktop for the whole scenario (waiting for a window that
  # never comes), so the desktop process starts once.
  started=$(guest_uptime)
  "$loader" "$probe" wait "kbconfig guest desktop keeper" 7200 >"$out/desktop-keeper.log" 2>&1 &
  local keeper=$!
  local ready=no
  for _ in $(seq 60); do
    if "$loader" "$probe" can-create-window >/dev/null 2>&1; then ready=yes; break; fi
  done
  echo "guest: $(basename "$out"): Wine's desktop ready ($ready) after $(guest_since "$started") s"
  local sink=()
  [ "$keys_reach_x" = yes ] && sink=(--key-sink "$probe")
  # The installed program reads config.xml from its folder and keeps its data files in the user's
  # %APPDATA%\kbconfig (Wine's user is the guest's, root).
  "$tests" --gtest_color=no ${KBCONFIG_GUEST_TESTS:+--gtest_filter=$KBCONFIG_GUEST_TESTS} \
    --kind windows --data "$prefix/drive_c/users/$(id -un)/AppData/Roaming/kbconfig" \
    --config "$prefix/drive_c/Program Files/kbconfig/config.xml" --results "$out" --loader "$loader" \
    --listing "$listing" "${sink[@]}" -- "$loader" 'C:\Program Files\kbconfig\kbconfig.exe'
  result=$?
  kill "$keeper" 2>/dev/null
  /usr/lib/wine/wineserver -k >/dev/null 2>&1
  return $result
}

while read -r kind name args; do
  [ -n "$kind" ] || continue
  out="$share/$name"
  mkdir -p "$out"
  started=$(guest_uptime)
  echo "guest: scenario $name starts ($started s since boot)"
  # shellcheck disable=SC2086  # the scenario's arguments are words
  case $kind in
    linux-program) linux_program "$out" $args ;;
    windows-program) windows_program "$out" $args ;;
    *) echo "guest: unknown scenario $kind"; false ;;
  esac
  result=$?
  verdict=passed
  if [ "$result" -ne 0 ]; then verdict=FAILED; status=1; fi
  echo "scenario $name: $verdict in $(guest_since "$started") s"
  ran=$((ran + 1))
done < <(tail -n +2 "$share/scenarios")
# A scenario that never started is a failure, not a pass.
if [ "$ran" -ne "$listed" ]; then
  echo "guest: only $ran of the $listed scenarios ran"
  status=1
fi
exit $status
