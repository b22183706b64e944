#!/usr/bin/env bash
# The Debian package, as a user gets it: builds kbconfig_<version>_amd64.deb with CPack, checks it
# with lintian (no errors) and appstreamcli, installs it on this machine with apt-get, starts the
# installed /usr/bin/kbconfig under Xvfb as an unprivileged user without a keyboard (it says
# "Please insert USB device!" and ends once the box is answered, which xdotool does), and purges
# the package again, checking that none of its files is left.
#
# Usage: tools/run-package-test.sh [build folder]
#   The folder is configured when it holds no build yet (default build/package); run-tests.sh
#   passes build/tests, whose kbconfig is already built. Needs root or sudo (apt-get).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build/package}
started=$(date +%s)
step() { echo "== package [$(($(date +%s) - started))s] $*"; }

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if [ "$(uname -s)" != "Linux" ] || ! command -v dpkg >/dev/null; then
  echo "package test SKIPPED: needs a Debian-based Linux machine"
  exit 0
fi

# --- tools: dpkg-shlibdeps for the package's dependencies, the linters, a display and xdotool ----
bash tools/setup.sh dpkg-dev lintian appstream xvfb xdotool >/dev/null

# --- build ----------------------------------------------------------------------------------------
if [ ! -f "$build/CMakeCache.txt" ]; then
  step "configuring $build"
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKBCONFIG_BUILD_TESTS=OFF \
    -DKBCONFIG_BUILD_BENCHMARKS=OFF -DKBCONFIG_BUILD_UI=ON >/dev/null
fi
# cpack installs from the whole build: build what is missing (nothing after run-tests.sh's build).
step "building $build"
cmake --build "$build" -j "$(nproc)"
step "cpack"
rm -rf "$build/deb"
(cd "$build" && cpack -G DEB -B "$root/$build/deb" >/dev/null)
deb=$(ls "$build"/deb/kbconfig_*_amd64.deb)
echo "   $deb ($(du -k "$deb" | cut -f1) KiB)"

# --- lint -----------------------------------------------------------------------------------------
step "lintian"
lintian --fail-on error --tag-display-limit 0 "$deb"
step "appstreamcli validate"
unpacked=$(mktemp -d)
work=$(mktemp -d)
chmod 755 "$work"
xvfb_pid=""
installed_by_us=0
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  if [ "$installed_by_us" -eq 1 ]; then
    echo "package test: purging kbconfig after a failure"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get purge -y -qq -o DPkg::Lock::Timeout=600 kbconfig >/dev/null || true
  fi
  rm -rf "$unpacked" "$work"
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$unpacked"
appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml

# --- install --------------------------------------------------------------------------------------
if dpkg-query -W -f='${Status}' kbconfig 2>/dev/null | grep -q 'install ok installed'; then
  echo "package test FAILED: kbconfig is installed on this machine already; remove it first"
  exit 1
fi
step "apt-get install ./$deb"
installed_by_us=1
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq -o DPkg::Lock::Timeout=600 "$root/$deb" >/dev/null
mapfile -t package_files < <(dpkg-query -L kbconfig)

fail() { echo "package test FAILED: $*"; exit 1; }
[ -x /usr/bin/kbconfig ] && [ ! -e /usr/bin/config.xml ] || fail "/usr/bin/kbconfig is missing, or has a config.xml beside it"
[ -f /usr/share/kbconfig/config.xml ] && [ -f /usr/share/kbconfig/uires/index.xml ] || fail "/usr/share/kbconfig lacks config.xml or uires/"
grep -q 'GNU Lesser General Public License' /usr/share/doc/kbconfig/copyright &&
  grep -q 'Copyright (C) 2006-2022, by Arseny Kapoulkine' /usr/share/doc/kbconfig/copyright ||
  fail "the copyright file lacks Qt's LGPL notice or pugixml's MIT notice"
sh driver/linux/install-udev-rules.sh --print config/config.xml | cmp -s - /lib/udev/rules.d/70-kbconfig.rules ||
  fail "the installed udev rule differs from what install-udev-rules.sh writes for config/config.xml"

# --- start the installed program without a keyboard -----------------------------------------------
step "starting /usr/bin/kbconfig under Xvfb without a keyboard"
display=""
for number in $(seq 90 140); do
  if [ ! -e "/tmp/.X${number}-lock" ] && [ ! -e "/tmp/.X11-unix/X${number}" ]; then display=":${number}"; break; fi
done
[ -n "$display" ] || fail "no free X display number"
# No access control: the program runs as another user than the server.
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp -ac >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do DISPLAY=$display xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

# As a user would: not root, with a home of its own (the data files go below it).
run_as=()
user_home="$work/home"
mkdir -p "$user_home"
if [ "$(id -u)" -eq 0 ]; then
  chown nobody:nogroup "$user_home"
  run_as=(runuser -u nobody --)
fi
log="$work/kbconfig.log"
"${run_as[@]}" env -i PATH=/usr/bin:/bin HOME="$user_home" XDG_CONFIG_HOME="$user_home/.config" \
  DISPLAY="$display" QT_QPA_PLATFORM=xcb LANG=C.UTF-8 /usr/bin/kbconfig >"$log" 2>&1 &
program=$!

# Answer every box the program shows (its caption is "Warning") until it ends.
answered=0
deadline=$(($(date +%s) + 60))
while kill -0 "$program" 2>/dev/null; do
  [ "$(date +%s)" -lt "$deadline" ] || { kill "$program" 2>/dev/null || true; cat "$log"; fail "kbconfig did not end within 60 s ($answered boxes answered)"; }
  box=$(DISPLAY=$display xdotool search --onlyvisible --name '^(Warning|警告)$' 2>/dev/null | head -n 1 || true)
  if [ -n "$box" ]; then
    sleep 0.3
    DISPLAY=$display xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
    answered=$((answered + 1))
    sleep 0.5
  else
    sleep 0.2
  fi
done
status=0
wait "$program" || status=$?
kill "$xvfb_pid" 2>/dev/null || true
wait "$xvfb_pid" 2>/dev/null || true
xvfb_pid=""
sed 's/^/   kbconfig: /' "$log"
[ "$status" -eq 0 ] || fail "kbconfig ended with status $status"
grep -q 'Please insert USB device!' "$log" || fail "kbconfig did not say \"Please insert USB device!\""
[ "$answered" -ge 1 ] || fail "no message box was shown"
# Installed, the data files go to the user's folder, never beside the program.
[ -f "$user_home/.config/kbconfig/ledeffect.xml" ] || fail "no ledeffect.xml in \$XDG_CONFIG_HOME/kbconfig"
[ ! -e /usr/share/kbconfig/ledeffect.xml ] && [ ! -e /usr/bin/ledeffect.xml ] || fail "a data file was written beside the program"
echo "   kbconfig said \"Please insert USB device!\" and ended with 0 after $answered answered box(es)"

# kbconfigctl alone, as the same user without a keyboard: it reads the files, refuses a change
# with "no keyboard" (exit status 3) and a bad value with 4, and changes nothing.
step "kbconfigctl without kbconfig and without a keyboard"
ctl() {
  "${run_as[@]}" env -i PATH=/usr/bin:/bin HOME="$user_home" XDG_CONFIG_HOME="$user_home/.config" \
    LANG=C.UTF-8 /usr/bin/kbconfigctl "$@"
}
ctl status | grep -q '^Keyboard:   not found$' || fail "kbconfigctl status did not say that no keyboard is there"
before=$(md5sum < "$user_home/.config/kbconfig/ledeffect.xml")
ctl_status=0; ctl effect breathing --speed 2 2>/dev/null || ctl_status=$?
[ "$ctl_status" -eq 3 ] || fail "kbconfigctl effect without a keyboard ended with $ctl_status, not 3"
ctl_status=0; ctl effect breathing --speed 9 2>/dev/null || ctl_status=$?
[ "$ctl_status" -eq 4 ] || fail "kbconfigctl effect --speed 9 ended with $ctl_status, not 4"
[ "$(md5sum < "$user_home/.config/kbconfig/ledeffect.xml")" = "$before" ] || fail "a refused kbconfigctl command changed ledeffect.xml"
man -w kbconfigctl >/dev/null 2>&1 || [ -f /usr/share/man/man1/kbconfigctl.1.gz ] || fail "no manual page of kbconfigctl"
echo "   kbconfigctl: status read the files; no keyboard gave 3, a bad value 4, nothing changed"

# --- remove ---------------------------------------------------------------------------------------
step "apt-get purge kbconfig"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get purge -y -qq -o DPkg::Lock::Timeout=600 kbconfig >/dev/null
installed_by_us=0
if dpkg-query -W -f='${Status}' kbconfig 2>/dev/null | grep -qv 'not-installed'; then
  fail "dpkg still knows kbconfig: $(dpkg-query -W -f='${Status}' kbconfig)"
fi
left=()
for file in "${package_files[@]}"; do
  # Folders the package shares with others (/usr, /usr/share/...) stay; its own files must not.
  if [ -e "$file" ] || [ -L "$file" ]; then
    if [ ! -d "$file" ] || [ "$file" = /usr/share/kbconfig ] || [ "$file" = /usr/share/doc/kbconfig ]; then left+=("$file"); fi
  fi
done
[ ${#left[@]} -eq 0 ] || fail "left after purge: ${left[*]}"
step "done: built, lint-free, installed, started, answered, purged"
