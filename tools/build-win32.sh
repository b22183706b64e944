#!/usr/bin/env bash
# Builds the Windows program with MinGW-w64 and Qt for Windows, for x86_64 and for i686 (the
# program's own target), tests it under Wine on a virtual display, makes its installer and checks
# the installed program end to end.
#
#   build/win-deps/<arch>   pugixml (Debian's source package) and GoogleTest (Debian's /usr/src),
#                           cross-built once; nothing of either is committed
#   build/win32-<arch>/     Qt for Windows unpacked from $KBCONFIG_QT_MINGW, ../shared/qt-mingw or
#                           build/qt-mingw (made by tools/build-qt-mingw.sh; never committed), the
#                           build, its Wine prefix (wineprefix/), the program folder
#                           (program-folder/) and the installer kbconfig-<version>-setup.exe
#
# For each architecture: every ctest program labelled win32 (the core, the win32 backend, the Qt
# UI tests, label ui among them) runs under Wine (wine64 for x86_64; wine32 in a 32-bit prefix for
# i686), then tests/windows_e2e/run_windows_e2e.sh installs the program silently, runs it from
# the installed folder and uninstalls it.
#
# Usage: [KBCONFIG_XVFB_DISPLAY=:N] tools/build-win32.sh [--arch x86_64|i686] [--program-only]
#   --arch          one architecture only (default: both; x86_64 alone when the given Qt packages
#                   have no i686 one)
# When wine32 cannot be installed, or this machine runs no 32-bit x86 programs at all, the i686
# program and its installer are built and its tests under Wine are skipped, which the last line says.
#   --program-only  build the program folder only: no tests, no installer, no Wine
# Safe to run again: apt-get runs only for missing packages, dependencies are built once.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
deps=${root}/build/win-deps
qt_version=6.4.2
# Qt for Windows: $KBCONFIG_QT_MINGW, else shared/qt-mingw beside the checkout or one folder up
# (a worktree in a folder of its own), else the packages tools/build-qt-mingw.sh made (or makes
# now, once: about 40 minutes per architecture on 2 cores) in build/qt-mingw from Debian's
# source packages.
qt_packages=${KBCONFIG_QT_MINGW:-}
if [ -z "${qt_packages}" ]; then
  for candidate in "${root}/../shared/qt-mingw" "${root}/../../shared/qt-mingw" "${root}/build/qt-mingw"; do
    if [ -f "${candidate}/qt-${qt_version}-x86_64-w64-mingw32.tar.xz" ]; then
      qt_packages=$(cd "${candidate}" && pwd)
      break
    fi
  done
fi
started=$(date +%s)

arches=()
program_only=no
while [ $# -gt 0 ]; do
  case $1 in
    --arch) arches=("$2"); shift 2 ;;
    --program-only) program_only=yes; shift ;;
    *) echo "usage: $0 [--arch x86_64|i686] [--program-only]" >&2; exit 2 ;;
  esac
done
if [ ${#arches[@]} -eq 0 ]; then
  arches=(x86_64 i686)
  # Prebuilt packages given without the i686 one: x86_64 alone.
  if [ -n "${qt_packages}" ] && [ ! -f "${qt_packages}/qt-${qt_version}-i686-w64-mingw32.tar.xz" ]; then arches=(x86_64); fi
fi
if [ -z "${qt_packages}" ]; then
  qt_packages=${root}/build/qt-mingw
  for arch in "${arches[@]}"; do
    if [ ! -f "${qt_packages}/qt-${qt_version}-${arch}-w64-mingw32.tar.xz" ]; then
      echo "build-win32: no Qt ${qt_version} for MinGW given; building it for ${arch} from Debian's sources (tools/build-qt-mingw.sh)"
      bash tools/build-qt-mingw.sh "${arch}"
    fi
  done
fi

step() { echo "== build-win32 [$(($(date +%s) - started))s] $*"; }

# --- packages ---------------------------------------------------------------------------------
source tools/apt.sh
packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix dpkg-dev cmake googletest
          qt6-base-dev qt6-base-dev-tools qt6-tools-dev-tools qt6-translations-l10n)
if [ "${program_only}" = no ]; then packages+=(wine64 fonts-wine nsis xvfb xauth); fi
apt_install "${packages[@]}"
# The 32-bit Wine comes from Debian's i386 packages, whose index a mirror may refuse: without it
# the i686 program and its installer are still built, only what runs under wine32 is left out.
# Some kernels run 64-bit programs only (IA-32 emulation built out or switched off): wine32 would
# install there but never start. A 96-byte i386 program that exits with 42 tells, before anything
# of i386 is installed.
runs_i386_programs() {
  local probe=${root}/build/i386-probe rc=0
  mkdir -p "${root}/build"
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'\
'\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'\
'\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00'\
'\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'\
'\xbb\x2a\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80' >"${probe}"  # mov ebx,42; mov eax,1 (exit); int 0x80
  chmod +x "${probe}"
  "${probe}" 2>/dev/null || rc=$?
  rm -f "${probe}"
  [ "${rc}" -eq 42 ]
}

wine32=yes
if [ "${program_only}" = no ] && [[ " ${arches[*]} " == *" i686 "* ]]; then
  if ! runs_i386_programs; then
    wine32=no
    wine32_missing="this machine does not run 32-bit x86 programs (its kernel's IA-32 emulation is off), so wine32 cannot start"
  elif ! apt_install_wine32; then
    wine32=no
    wine32_missing="wine32:i386 could not be installed (${apt_wine32_reason})"
  fi
  if [ "${wine32}" = no ]; then
    echo "build-win32: ${wine32_missing}; the i686 program and installer are built, its Wine tests skipped"
  fi
fi

# --- pugixml source, with a source entry enabled for this one command ---------------------------
mkdir -p "${deps}/src"
if ! ls -d "${deps}"/src/pugixml-*/ >/dev/null 2>&1; then
  step "fetching Debian's pugixml source package"
  apt_dir=$(mktemp -d)
  trap 'rm -rf "${apt_dir}"' EXIT
  mkdir -p "${apt_dir}/lists/partial" "${apt_dir}/sourceparts"
  cat >"${apt_dir}/sourceparts/deb-src.sources" <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  # A private list folder and source list: the system's apt configuration is left as it was.
  apt_opts=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=${apt_dir}/sourceparts"
            -o "Dir::State::Lists=${apt_dir}/lists" -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache=")
  # As root, download as root: apt's sandbox user cannot write into these private folders.
  if [ "$(id -u)" -eq 0 ]; then apt_opts+=(-o "APT::Sandbox::User=root"); fi
  apt-get "${apt_opts[@]}" update -qq
  (cd "${deps}/src" && apt-get "${apt_opts[@]}" source -qq --only-source pugixml >/dev/null)
  rm -rf "${apt_dir}"
  trap - EXIT
fi
pugixml_src=$(ls -d "${deps}"/src/pugixml-*/ | head -n 1)

# --- a virtual display for Wine: the prefix must be made with one, the windows run on it --------
xvfb_pid=""
stop_display() {
  if [ -n "${xvfb_pid}" ]; then kill "${xvfb_pid}" 2>/dev/null || true; fi
}
start_display() {
  source tools/xvfb.sh
  trap stop_display EXIT
  if ! xvfb_start; then
    echo "build-win32: Xvfb did not start" >&2
    exit 1
  fi
  step "virtual display ${DISPLAY}"
}

# --- one architecture ----------------------------------------------------------------------------
build_deps() {
  local arch=$1 toolchain=$2 prefix="${deps}/$1"
  if [ ! -f "${prefix}/.pugixml-built" ]; then
    step "building pugixml for ${arch}"
    cmake -S "${pugixml_src}" -B "${deps}/build-pugixml-${arch}" -DCMAKE_TOOLCHAIN_FILE="${toolchain}" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="${prefix}" -DBUILD_SHARED_LIBS=OFF \
      -DPUGIXML_BUILD_TESTS=OFF >/dev/null
    cmake --build "${deps}/build-pugixml-${arch}" -j "${jobs}" --target install >/dev/null
    touch "${prefix}/.pugixml-built"
  fi
  if [ "${program_only}" = no ] && [ ! -f "${prefix}/.gtest-built" ]; then
    step "building GoogleTest for ${arch}"
    cmake -S /usr/src/googletest -B "${deps}/build-gtest-${arch}" -DCMAKE_TOOLCHAIN_FILE="${toolchain}" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="${prefix}" -DBUILD_SHARED_LIBS=OFF \
      -DBUILD_GMOCK=ON -Wno-dev >/dev/null
    cmake --build "${deps}/build-gtest-${arch}" -j "${jobs}" --target install >/dev/null
    touch "${prefix}/.gtest-built"
  fi
}

unpack_qt() {
  local arch=$1 dir=$2 qt="$2/qt-${qt_version}-$1-w64-mingw32"
  if [ ! -f "${qt}/.unpacked" ]; then
    step "unpacking Qt ${qt_version} for ${arch}"
    rm -rf "${qt}"
    mkdir -p "${dir}"
    tar -xJf "${qt_packages}/qt-${qt_version}-${arch}-w64-mingw32.tar.xz" -C "${dir}"
    touch "${qt}/.unpacked"
  fi
  qt_dir=${qt}
}

build_program() {
  local arch=$1 toolchain=$2 dir=$3 tests=$4
  step "configuring ${dir}"
  cmake -S . -B "${dir}" -DCMAKE_TOOLCHAIN_FILE="${toolchain}" -DKBCONFIG_WIN_DEPS="${deps}/${arch}" \
    -DKBCONFIG_QT_DIR="${qt_dir}" -DCMAKE_BUILD_TYPE=Release -DKBCONFIG_PLATFORM=win32 -DKBCONFIG_BUILD_UI=ON \
    -DKBCONFIG_BUILD_TESTS="${tests}" -DKBCONFIG_BUILD_BENCHMARKS=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
  step "building ${dir}"
  cmake --build "${dir}" -j "${jobs}"
}

# The prefix of an architecture, made once (on the virtual display) and reused by its tests and
# end-to-end checks. One persistent wineserver serves the whole run: programs started while a
# server shuts down fail ("recvmsg: Connection reset by peer"), and each test would pay for a
# new one.
make_prefix() {
  local dir=$1 loader=$2 wine_arch=$3
  export WINEPREFIX=${root}/${dir}/wineprefix WINEARCH=${wine_arch} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  if [ ! -f "${WINEPREFIX}/system.reg" ]; then
    step "creating the Wine prefix ${WINEPREFIX} (${wine_arch})"
    "${loader}" wineboot --init >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w || true
    if [ ! -f "${WINEPREFIX}/system.reg" ]; then
      echo "build-win32: Wine could not make the prefix ${WINEPREFIX} (${loader} wineboot --init: $("${loader}" --version 2>&1 | head -n 1))" >&2
      return 1
    fi
  fi
  # A server left running for this prefix (an earlier run, a run by hand) may serve another
  # display: end it first.
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -p
  # Start the prefix's services (winedevice, plugplay, ...) now, with no output of ours open: the
  # first test would start them otherwise, and they would keep its output pipe open, so ctest
  # would wait for that test until its time limit.
  "${loader}" wineboot </dev/null >/dev/null 2>&1 || true
}

status=0
skipped=()
run_arch() {
  local arch=$1 dir=build/win32-$1 toolchain=${root}/cmake/toolchains/mingw-$1.cmake loader wine_arch run_wine=yes
  if [ "${arch}" = x86_64 ]; then loader=/usr/lib/wine/wine64; wine_arch=win64; else loader=/usr/lib/wine/wine; wine_arch=win32; fi
  [ "${arch}" = i686 ] && [ "${wine32}" = no ] && run_wine=no
  build_deps "${arch}" "${toolchain}"
  unpack_qt "${arch}" "${dir}"
  if [ "${program_only}" = yes ]; then
    build_program "${arch}" "${toolchain}" "${dir}" OFF
    step "program folder ${dir}/program-folder"
    rm -rf "${dir}/program-folder"
    cmake --install "${dir}" --prefix "${dir}/program-folder" --strip >/dev/null
    return
  fi
  if [ "${run_wine}" = no ]; then
    # Nothing of this architecture can run: the program and its installer are still built.
    build_program "${arch}" "${toolchain}" "${dir}" OFF
    step "making the installer of ${dir}"
    cmake --build "${dir}" --target windows_installer >/dev/null
    skipped+=("${arch}: the win32-labelled tests and the end-to-end checks under wine32 did NOT run: ${wine32_missing}")
    return
  fi
  build_program "${arch}" "${toolchain}" "${dir}" ON
  if ! make_prefix "${dir}" "${loader}" "${wine_arch}"; then
    status=1
    skipped+=("${arch}: the win32-labelled tests and the end-to-end checks did NOT run: Wine could not make its prefix")
    return
  fi
  step "testing ${dir} under Wine (label win32)"
  (cd "${dir}" && ctest --output-on-failure -j "${jobs}" -L win32 --timeout 300) || status=1
  step "making the installer of ${dir}"
  cmake --build "${dir}" --target windows_installer >/dev/null
  step "end-to-end checks of the installed program (${arch})"
  bash tests/windows_e2e/run_windows_e2e.sh "${dir}" "${loader}" || status=1
  if [ "${arch}" = x86_64 ]; then
    step "lighting control from outside the window under Wine (${arch})"
    bash tools/run-outside-control-test.sh wine "${dir}/program-folder" "${loader}" || status=1
  fi
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
}

# The installed programs against a kernel HID keyboard, in one qemu guest for every architecture
# (tests/guest/run-scenarios.sh): the guest's test program is a Linux one, built in
# build/kernel-suite as tools/run-kernel-tests.sh builds it.
run_guest_scenarios() {
  local builds=() arch rc=0
  for arch in "${arches[@]}"; do
    if [ "${arch}" = i686 ] && [ "${wine32}" = no ]; then
      skipped+=("i686: the installed program did NOT run against the kernel keyboard: ${wine32_missing}")
      continue
    fi
    builds+=(--windows "build/win32-${arch}")
  done
  [ ${#builds[@]} -gt 0 ] || return 0
  # shellcheck source=tools/kernel-guest-setup.sh
  source tools/kernel-guest-setup.sh
  if ! kernel_guest_install_optional "guest scenarios" qemu-system-x86 busybox-static udev xdotool; then
    echo "guest scenarios SKIPPED: the installed programs did not run against the kernel keyboard"
    return 0
  fi
  # Xorg reading the kernel keyboard, for the keys' road through X (without it run-scenarios.sh
  # says that the key test did not run).
  if [ "${KBCONFIG_GUEST_KEYS_THROUGH_X:-1}" != 0 ]; then
    kernel_guest_install_optional "guest scenarios" xserver-xorg-core xserver-xorg-video-dummy \
      xserver-xorg-input-libinput || true
  fi
  step "the installed programs against a kernel HID keyboard (qemu guest)"
  cmake -S . -B build/kernel-suite -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKBCONFIG_BUILD_UI=OFF \
    -DKBCONFIG_BUILD_BENCHMARKS=OFF >/dev/null
  cmake --build build/kernel-suite -j "${jobs}" --target guest_program_tests >/dev/null
  local started
  started=$(date +%s)
  bash tests/guest/run-scenarios.sh "${builds[@]}" --tests build/kernel-suite/tests/guest/guest_program_tests \
    --name windows-programs || rc=$?
  step "guest scenarios: $(($(date +%s) - started)) s of wall time"
  if [ "${rc}" -ne 0 ] && [ "${rc}" -ne 77 ]; then status=1; fi
}

if [ "${program_only}" = no ]; then start_display; fi
for arch in "${arches[@]}"; do run_arch "${arch}"; done
# The installed programs against the kernel keyboard: about two minutes of the guest for both
# architectures, and the prefixes' installs before it. KBCONFIG_GUEST_WINDOWS=0 leaves them out.
if [ "${program_only}" = no ] && [ "${KBCONFIG_GUEST_WINDOWS:-1}" != 0 ]; then
  run_guest_scenarios
elif [ "${program_only}" = no ]; then
  skipped+=("the Windows programs did NOT run against the kernel keyboard (KBCONFIG_GUEST_WINDOWS=0 was given)")
fi
step "done (status ${status})"
for line in ${skipped[@]+"${skipped[@]}"}; do echo "build-win32: ${line}"; done
exit ${status}
