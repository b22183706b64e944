#!/usr/bin/env bash
# Cross-builds Qt 6.4.2 for Windows with Debian 12's MinGW-w64 (posix threads) from Debian's own
# source packages, and packs it as build/qt-mingw/qt-6.4.2-<arch>-w64-mingw32.tar.xz, the form
# tools/build-win32.sh unpacks. It builds qtbase (Core, Gui, Widgets, Network, Test, Xml; the
# windows, offscreen and minimal platform plugins; the Windows styles) from the source package
# qt6-base, and qttools' UiTools (QUiLoader) from the source package qt6-tools; shared libraries,
# Release. Left out: OpenGL, SQL, D-Bus, print support, tablet events (Debian's source has no
# wintab.h), OpenSSL.
#
# Usage: tools/build-qt-mingw.sh x86_64|i686
#   KBCONFIG_QTTOOLS_SOURCE=<folder>  an unpacked qttools 6.4.2 source to use where the mirror
#                                     does not serve qt6-tools' source
# Made once; a package that exists is kept. About 40 minutes per architecture on 2 cores (qtbase
# about 30 of them), plus the sources (55 MB) the first time.
# Host tools (moc, rcc, uic) are Debian's own from qt6-base-dev-tools and qt6-tools-dev-tools.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
arch=${1:?usage: tools/build-qt-mingw.sh x86_64|i686}
case ${arch} in x86_64|i686) ;; *) echo "usage: tools/build-qt-mingw.sh x86_64|i686" >&2; exit 2 ;; esac
triple=${arch}-w64-mingw32
work=${root}/build/qt-mingw
prefix=${work}/qt-6.4.2-${triple}
package=${work}/qt-6.4.2-${triple}.tar.xz
started=$(date +%s)
step() { echo "== build-qt-mingw ${arch} [$(($(date +%s) - started))s] $*"; }

if [ -f "${package}" ]; then
  echo "build-qt-mingw: ${package} is there already"
  exit 0
fi

source tools/apt.sh
apt_install qt6-base-dev qt6-base-dev-tools qt6-tools-dev-tools "g++-mingw-w64-${arch//_/-}-posix" \
  ninja-build cmake xz-utils

mkdir -p "${work}/src"
cat >"${work}/toolchain-${arch}.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${arch})
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
EOF

# --- sources: the original tarballs of Debian's source packages, checked against the Sources
# index that apt verified, through a private source list (the system's apt setup stays as it is).
apt_dir=${work}/src/apt
mkdir -p "${apt_dir}/lists/partial" "${apt_dir}/parts"
cat >"${apt_dir}/parts/deb-src.sources" <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
apt_src=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=${apt_dir}/parts"
         -o "Dir::State::Lists=${apt_dir}/lists" -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache=")
# As root, download as root: apt's sandbox user cannot write into these private folders.
if [ "$(id -u)" -eq 0 ]; then apt_src+=(-o "APT::Sandbox::User=root"); fi
sources_fetched=no

# fetch_orig <source package> <version>: downloads its .orig.tar.xz into build/qt-mingw/src and
# prints its path; non-zero (with the reason on standard error) when it cannot be had.
fetch_orig() {
  local source=$1 version=$2 record name sha size directory file
  if [ "${sources_fetched}" = no ]; then
    apt-get "${apt_src[@]}" update -qq
    sources_fetched=yes
  fi
  # The record of that version (showsrc prints every version it knows, a blank line between).
  record=$(apt-cache "${apt_src[@]}" showsrc "${source}" 2>/dev/null |
             awk -v v="${version}" 'BEGIN { RS = ""; ORS = "\n\n" } index($0, "\nVersion: " v "\n") { print }')
  directory=$(sed -n 's/^Directory: //p' <<<"${record}" | head -n 1)
  read -r sha size name < <(sed -n '/^Checksums-Sha256:/,/^[^ ]/p' <<<"${record}" | grep -E ' [^ ]+\.orig\.tar\.xz$' | head -n 1)
  if [ -z "${name:-}" ] || [ -z "${directory}" ]; then
    echo "build-qt-mingw: no source package ${source} ${version} in bookworm's Sources index" >&2
    return 1
  fi
  file=${work}/src/${name}
  if [ ! -f "${file}" ] || ! echo "${sha}  ${file}" | sha256sum --quiet -c - 2>/dev/null; then
    # apt-get source would also fetch the Debian patches, which this build does not use.
    local url="http://deb.debian.org/debian/${directory}/${name}" code
    code=$(curl -sS -L -o "${file}.part" -w '%{http_code}' "${url}" || true)
    if [ "${code}" != 200 ]; then
      rm -f "${file}.part"
      echo "build-qt-mingw: the mirror does not serve ${url} (HTTP ${code:-error})" >&2
      return 1
    fi
    if ! echo "${sha}  ${file}.part" | sha256sum --quiet -c - 2>/dev/null; then
      rm -f "${file}.part"
      echo "build-qt-mingw: ${name} does not match its SHA-256 in the Sources index" >&2
      return 1
    fi
    mv "${file}.part" "${file}"
  fi
  echo "${file}"
}

unpack() {
  local tarball=$1 folder
  folder=$(tar -tJf "${tarball}" | head -n 1 | cut -d/ -f1)
  [ -d "${work}/src/${folder}" ] || tar -xJf "${tarball}" -C "${work}/src"
  echo "${work}/src/${folder}"
}

step "sources"
base_tarball=$(fetch_orig qt6-base 6.4.2+dfsg-10)
base_src=$(unpack "${base_tarball}")
tools_src=${KBCONFIG_QTTOOLS_SOURCE:-}
if [ -z "${tools_src}" ]; then
  if ! tools_tarball=$(fetch_orig qt6-tools 6.4.2~rc1-2); then
    echo "build-qt-mingw: qttools' source cannot be had here; give an unpacked qttools 6.4.2 source as" >&2
    echo "  KBCONFIG_QTTOOLS_SOURCE=<folder>, or Qt packages made elsewhere as KBCONFIG_QT_MINGW=<folder>" >&2
    exit 1
  fi
  tools_src=$(unpack "${tools_tarball}")
fi

host=(-DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
step "qtbase"
cmake -S "${base_src}" -B "${work}/build-qtbase-${arch}" -G Ninja -DCMAKE_TOOLCHAIN_FILE="${work}/toolchain-${arch}.cmake" \
  "${host[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="${prefix}" -DBUILD_SHARED_LIBS=ON \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_opengl=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_testlib=ON -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF \
  -DFEATURE_openssl=OFF -DINPUT_openssl=no -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_jpeg=OFF >/dev/null
ninja -C "${work}/build-qtbase-${arch}" -j "$(nproc)"
ninja -C "${work}/build-qtbase-${arch}" install >/dev/null

step "qttools (UiTools)"
"${prefix}/bin/qt-cmake" -G Ninja -S "${tools_src}" -B "${work}/build-qttools-${arch}" "${host[@]}" \
  -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  -DFEATURE_assistant=OFF -DFEATURE_designer=OFF -DFEATURE_linguist=OFF -DFEATURE_pixeltool=OFF \
  -DFEATURE_qdbus=OFF -DFEATURE_qtattributionsscanner=OFF -DFEATURE_qtdiag=OFF -DFEATURE_qtplugininfo=OFF \
  -DFEATURE_distancefieldgenerator=OFF -DFEATURE_clang=OFF -DFEATURE_clangcpp=OFF -DFEATURE_qev=OFF >/dev/null
ninja -C "${work}/build-qttools-${arch}" -j "$(nproc)"
ninja -C "${work}/build-qttools-${arch}" install >/dev/null

# Stripped DLLs, no documentation, then the package build-win32.sh unpacks.
step "package"
rm -rf "${prefix}/doc"
find "${prefix}/bin" "${prefix}/plugins" -name '*.dll' -exec "${triple}-strip" --strip-unneeded {} \;
tar -C "${work}" -cJf "${package}.part" "$(basename "${prefix}")"
mv "${package}.part" "${package}"
step "done: ${package}"
