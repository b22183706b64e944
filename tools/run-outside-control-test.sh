#!/usr/bin/env bash
# Lighting control from outside the window, as other programs and users drive it:
#
#   1. kbconfigctl with no program running: every command, its output and exit status; a bad
#      value is refused (status 4) with nothing changed; the emulated keyboard prints each report
#   2. kbconfigctl against the running demo: the same commands go to it over its single-instance
#      channel, and "openrgb on" switches its OpenRGB SDK server on
#   3. the npm package openrgb-sdk, an OpenRGB SDK client none of us wrote, against that server:
#      it lists the keyboard and its modes and sets a mode with speed and brightness; the demo's
#      emulated keyboard prints the exact report, and kbconfigctl status shows the new effect
#
# Usage: tools/run-outside-control-test.sh linux [build folder, default build/dev]
#        tools/run-outside-control-test.sh wine <program folder with kbconfig-demo.exe> <wine loader>
#   (wine: WINEPREFIX and DISPLAY set by the caller, tools/build-win32.sh)
# The client comes from the npm registry into build/openrgb-client (once). When the registry
# cannot be reached, part 3 is skipped with a line that says so, and the rest still runs.
# Exits non-zero when a check fails.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
mode=${1:-linux}
client_version=0.6.0
client_dir=${root}/build/openrgb-client
failures=0
work=$(mktemp -d)
demo_pid=""
pass() { echo "outside: ok   $*"; }
fail() { echo "outside: FAIL $*"; failures=$((failures + 1)); }
cleanup() {
  if [ -n "${demo_pid}" ]; then kill "${demo_pid}" 2>/dev/null; wait "${demo_pid}" 2>/dev/null; fi
  rm -rf "${work}"
}
trap cleanup EXIT

# --- the programs, in a folder of their own (their data files go beside them) ---------------------
mkdir -p "${work}/app"
if [ "${mode}" = wine ]; then
  folder=$2
  wine=$3
  cp -r "${folder}"/. "${work}/app/"
  export WINEDEBUG=-all
  demo() { "${wine}" "${work}/app/kbconfig-demo.exe" "$@"; }
  ctl() { "${wine}" "${work}/app/kbconfigctl-demo.exe" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
  ctl_name=kbconfigctl-demo.exe
else
  build=${2:-build/dev}
  cmake --build "${build}" --target kbconfig-demo kbconfigctl-demo >/dev/null || { echo "outside: FAIL building the demo"; exit 1; }
  cp -r "${build}/app/kbconfig-demo" "${build}/app/kbconfigctl-demo" "${build}/app/uires" "${build}/app/config.xml" "${work}/app/"
  # The lock and the channel live in the runtime folder: one of this run's own.
  export XDG_RUNTIME_DIR="${work}/run"
  mkdir -m 700 "${XDG_RUNTIME_DIR}"
  export QT_QPA_PLATFORM=offscreen
  demo() { "${work}/app/kbconfig-demo" "$@"; }
  ctl() { "${work}/app/kbconfigctl-demo" "$@"; }
  ctl_name=kbconfigctl-demo
fi
data="${work}/app"

# Runs kbconfigctl, prints the command, its output and exit status, and checks the status.
transcript() {  # transcript <expected status> <arguments...>
  local expected=$1 output status
  shift
  output=$(ctl "$@" 2>"${work}/ctl.err")
  status=$?
  echo "\$ ${ctl_name}$(printf ' %q' "$@")"
  [ -n "${output}" ] && echo "${output}"
  # Its error line, and the reports the emulated keyboard received (not the version query).
  tr -d '\r' <"${work}/ctl.err" | grep -E '^kbconfigctl: |^keyboard <- ' | grep -v '^keyboard <- feature: 07 f1' |
    sed 's/^/  (stderr) /'
  echo "  (exit status ${status})"
  if [ "${status}" -eq "${expected}" ]; then pass "${ctl_name} $* ended with ${expected}"; else fail "${ctl_name} $* ended with ${status}, not ${expected}"; fi
  last_output=${output}
}
fingerprint() { cat "${data}/ledeffect.xml" "${data}/sidemodel.xml" 2>/dev/null | md5sum; }
commands() {  # the same commands, with kbconfig running or not
  transcript 0 status
  transcript 0 status --json
  transcript 0 list-effects
  transcript 0 effect breathing --speed 2 --brightness 3
  transcript 0 side red --brightness 5
  local before
  before=$(fingerprint)
  transcript 4 effect breathing --speed 9
  transcript 4 side "Rainbow flow" --speed 8
  transcript 4 effect disco
  transcript 2 effect breathing --speed fast
  if [ "$(fingerprint)" = "${before}" ]; then pass "the refused commands changed no file"; else fail "a refused command changed a file"; fi
  transcript 0 stop-macros
  transcript 0 profile "Profile 1"
  transcript 0 openrgb status
}

# --- 1. no program running -------------------------------------------------------------------------
echo "== outside: ${ctl_name} with no program running"
commands
transcript 1 openrgb on
grep -q '^keyboard <- feature: 07 ff ff 02 03 02 00 00$' <(ctl effect breathing 2>&1 | tr -d '\r') &&
  pass "alone, the emulated keyboard printed the effect report 07 ff ff 02 03 02 00 00" ||
  fail "alone, the emulated keyboard did not print the effect report"

# --- 2. the running demo -----------------------------------------------------------------------------
echo "== outside: ${ctl_name} against the running kbconfig-demo"
demo >"${work}/demo.log" 2>&1 &
demo_pid=$!
running=no
for _ in $(seq 600); do
  if ctl status 2>/dev/null | grep -q '^OpenRGB:    off'; then running=yes; break; fi
  sleep 0.1
done
[ "${running}" = yes ] && pass "the demo answers kbconfigctl" || { fail "the demo did not answer kbconfigctl"; cat "${work}/demo.log"; exit 1; }
commands
port=$(node -e 'const s=require("net").createServer().listen(0,"127.0.0.1",()=>{console.log(s.address().port);s.close()})' 2>/dev/null || echo 6742)
transcript 0 openrgb on --port "${port}"
transcript 0 openrgb status

# --- 3. a real OpenRGB SDK client ------------------------------------------------------------------------
client_ready=no
if ! command -v npm >/dev/null || ! command -v node >/dev/null; then
  bash tools/setup.sh nodejs npm >/dev/null 2>&1 || true
fi
if [ -f "${client_dir}/node_modules/openrgb-sdk/package.json" ] &&
   grep -q "\"version\": \"${client_version}\"" "${client_dir}/node_modules/openrgb-sdk/package.json"; then
  client_ready=yes
elif command -v npm >/dev/null && mkdir -p "${client_dir}" &&
     timeout 180 npm install --prefix "${client_dir}" --no-audit --no-fund --no-save "openrgb-sdk@${client_version}" \
       >"${work}/npm.log" 2>&1; then
  client_ready=yes
fi
if [ "${client_ready}" = no ]; then
  echo "outside: SKIPPED the OpenRGB client check: the npm package openrgb-sdk@${client_version} could not be" \
       "installed (npm registry unreachable or npm missing); did not run: openrgb-sdk listing the keyboard," \
       "setting a mode and the exact report it causes (${mode})"
  tail -n 3 "${work}/npm.log" 2>/dev/null | sed 's/^/outside:   npm: /'
else
  echo "== outside: openrgb-sdk ${client_version} against the demo's server on 127.0.0.1:${port}"
  if NODE_PATH="${client_dir}/node_modules" node tests/openrgb_client/client_check.js "${port}" 127.0.0.1 >"${work}/client.log" 2>&1; then
    pass "openrgb-sdk listed the keyboard and its modes and set a mode"
  else
    fail "openrgb-sdk's check"
  fi
  sed 's/^/  /' "${work}/client.log"
  for report in "07 ff ff 0a 02 03 00 00" "07 ff ff 20 00 00 64 00"; do
    found=no
    for _ in $(seq 100); do grep -q "^keyboard <- feature: ${report}\$" <(tr -d '\r' <"${work}/demo.log") && { found=yes; break; }; sleep 0.1; done
    [ "${found}" = yes ] && pass "the demo's emulated keyboard printed ${report}" || fail "the demo's keyboard did not print ${report}"
  done
  transcript 0 status
  grep -q '^Effect:     9 Spectrum cycle (speed 3, brightness 2,' <<<"${last_output}" &&
    pass "the window has the client's effect" || fail "the window does not have the client's effect"
fi
transcript 0 openrgb off

echo "== outside: the demo's log"
grep -E 'OpenRGB server|kbconfigctl|keyboard <- feature: 07 ff' <(tr -d '\r' <"${work}/demo.log") | sed 's/^/  /' | tail -n 40
echo "outside: ${failures} failed"
[ "${failures}" -eq 0 ]
