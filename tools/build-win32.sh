#!/usr/bin/env bash
# Cross-builds the core and the win32 backend for 32-bit (i686) and 64-bit (x86_64) Windows with
# MinGW-w64, then runs the 64-bit tests labelled win32 under wine64.
#
#   build/win-deps     pugixml (Debian's source package) and GoogleTest (Debian's /usr/src) built
#                      for both targets; nothing of either is committed
#   build/win32-i686   the program's own target: core and backend built, not run (needs a 32-bit Wine)
#   build/win64        built and tested under wine64
#
# Safe to run again: apt-get runs only for missing packages, dependencies are built once.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
deps=${root}/build/win-deps
started=$(date +%s)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

step() { echo "== build-win32 [$(($(date +%s) - started))s] $*"; }

# --- packages ---------------------------------------------------------------------------------
packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine64 dpkg-dev cmake googletest xvfb xauth)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  step "installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
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

# --- dependencies for one target -----------------------------------------------------------------
build_deps() {
  local arch=$1 toolchain=$2 with_gtest=$3 prefix="${deps}/$1"
  if [ ! -f "${prefix}/.pugixml-built" ]; then
    step "building pugixml for ${arch}"
    cmake -S "${pugixml_src}" -B "${deps}/build-pugixml-${arch}" -DCMAKE_TOOLCHAIN_FILE="${toolchain}" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="${prefix}" -DBUILD_SHARED_LIBS=OFF \
      -DPUGIXML_BUILD_TESTS=OFF >/dev/null
    cmake --build "${deps}/build-pugixml-${arch}" -j "${jobs}" --target install >/dev/null
    touch "${prefix}/.pugixml-built"
  fi
  if [ "${with_gtest}" = yes ] && [ ! -f "${prefix}/.gtest-built" ]; then
    step "building GoogleTest for ${arch}"
    cmake -S /usr/src/googletest -B "${deps}/build-gtest-${arch}" -DCMAKE_TOOLCHAIN_FILE="${toolchain}" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="${prefix}" -DBUILD_SHARED_LIBS=OFF \
      -DBUILD_GMOCK=ON -Wno-dev >/dev/null
    cmake --build "${deps}/build-gtest-${arch}" -j "${jobs}" --target install >/dev/null
    touch "${prefix}/.gtest-built"
  fi
}

# --- the program for one target ------------------------------------------------------------------
build_program() {
  local arch=$1 toolchain=$2 dir=$3 tests=$4
  step "configuring ${dir}"
  cmake -S . -B "${dir}" -DCMAKE_TOOLCHAIN_FILE="${toolchain}" -DKBCONFIG_WIN_DEPS="${deps}/${arch}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKBCONFIG_BUILD_UI=OFF -DKBCONFIG_PLATFORM=win32 \
    -DKBCONFIG_BUILD_TESTS="${tests}" -DKBCONFIG_BUILD_BENCHMARKS=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
  step "building ${dir}"
  cmake --build "${dir}" -j "${jobs}"
}

i686_toolchain=${root}/cmake/toolchains/mingw-i686.cmake
x64_toolchain=${root}/cmake/toolchains/mingw-x86_64.cmake
# The 32-bit build proves the core and the backend compile warning-free for the program's own
# target; its tests cannot run here (no 32-bit Wine), so they are built only for x86_64.
build_deps i686 "${i686_toolchain}" no
build_deps x86_64 "${x64_toolchain}" yes
build_program i686 "${i686_toolchain}" build/win32-i686 OFF
build_program x86_64 "${x64_toolchain}" build/win64 ON

# --- tests under wine64: each test program is one ctest test labelled win32 ------------------
export WINEPREFIX=${root}/build/win64/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "${WINEPREFIX}/system.reg" ]; then
  step "creating the Wine prefix"
  /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w || true
fi
step "testing build/win64 under wine64 (label win32)"
status=0
test_command="cd build/win64 && ctest --output-on-failure -j ${jobs} -L win32 --timeout 120"
if [ -n "${DISPLAY:-}" ]; then
  bash -c "${test_command}" || status=$?
else
  # The keyboard hook and SendInput tests type at a window of their own: they need an X display.
  xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24" bash -c "${test_command}" || status=$?
fi
/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
step "done (status ${status})"
exit ${status}
