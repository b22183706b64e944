# Sourced by the scripts that need a virtual X display (tools/build-win32.sh,
# tests/guest/run-scenarios.sh).
# xvfb_start: starts Xvfb on $KBCONFIG_XVFB_DISPLAY (a number the caller was given on a shared
# machine) or else on a free display, waits for its socket, exports DISPLAY and sets xvfb_pid.
# False when it did not start.
# shellcheck shell=bash
xvfb_start() {
  local number_file number
  number_file=$(mktemp)
  if [ -n "${KBCONFIG_XVFB_DISPLAY:-}" ]; then
    echo "${KBCONFIG_XVFB_DISPLAY#:}" >"${number_file}"
    Xvfb ":${KBCONFIG_XVFB_DISPLAY#:}" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  else
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"${number_file}" >/dev/null 2>&1 &
  fi
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "${number_file}" ] && break; sleep 0.1; done
  number=$(head -n 1 "${number_file}")
  rm -f "${number_file}"
  for _ in $(seq 100); do [ -S "/tmp/.X11-unix/X${number}" ] && break; sleep 0.1; done
  [ -n "${number}" ] && [ -S "/tmp/.X11-unix/X${number}" ] && kill -0 "${xvfb_pid}" 2>/dev/null || return 1
  export DISPLAY=":${number}"
}
