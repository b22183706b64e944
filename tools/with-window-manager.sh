#!/usr/bin/env bash
# Runs a command on a virtual X display of its own (Xvfb) with a window manager (icewm), as the
# tests and the benchmark of switching by the program in front need, and ends both afterwards.
# The command sees an X11 session: DISPLAY set, WAYLAND_DISPLAY unset, XDG_SESSION_TYPE=x11.
# Exits 77 (a skipped test), saying why, where Xvfb or icewm is missing (tools/setup.sh
# installs both).
#
# Usage: [KBCONFIG_XVFB_DISPLAY=:N] tools/with-window-manager.sh <command> [arguments...]
set -uo pipefail

for tool in Xvfb icewm; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (apt-get install xvfb icewm)"
    exit 77
  fi
done

work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
cleanup() {
  if [ -n "$wm_pid" ]; then kill "$wm_pid" 2>/dev/null; wait "$wm_pid" 2>/dev/null; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb writes the display's number to descriptor 3 once it accepts connections (a socket that
# exists is not yet a server that answers); -noreset: a server without clients for a moment (before
# the window manager connects) would otherwise reset and refuse the next connections meanwhile.
display_choice=()
if [ -n "${KBCONFIG_XVFB_DISPLAY:-}" ]; then
  # A display number of the caller's choosing (a shared machine hands them out).
  display_choice=(":${KBCONFIG_XVFB_DISPLAY#:}")
fi
Xvfb "${display_choice[@]}" -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
number=$(head -n 1 "$work/display")
for _ in $(seq 100); do [ -n "$number" ] && [ -S "/tmp/.X11-unix/X${number}" ] && break; sleep 0.1; done
if [ -z "$number" ] || [ ! -S "/tmp/.X11-unix/X${number}" ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
  echo "with-window-manager: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":${number}" XDG_SESSION_TYPE=x11
unset WAYLAND_DISPLAY

# icewm with none of the user's settings, and no session programs of its own.
mkdir -p "$work/icewm"
ICEWM_PRIVCFG="$work/icewm" icewm >"$work/icewm.log" 2>&1 &
wm_pid=$!

"$@"
status=$?
if [ "$status" -ne 0 ] && [ -s "$work/icewm.log" ]; then
  echo "with-window-manager: icewm said:" >&2
  cat "$work/icewm.log" >&2
fi
exit "$status"
