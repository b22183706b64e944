#!/usr/bin/env bash
# Installs everything kbconfig needs to build, test and run on Debian 12, plus the packages named
# on its command line (scripts that need more tools pass them). Safe to run again: it only calls
# apt-get when a package is missing.
# Usage: tools/setup.sh [extra package ...]
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libpugixml-dev libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools libgl-dev
  # Qt6UiTools needs Qt6OpenGLWidgets, whose Qt6OpenGL CMake files only this package brings.
  libqt6opengl6-dev
  # Qt's own texts (file dialogs, standard buttons) in Chinese; also shipped with the Windows build.
  qt6-translations-l10n
  libudev-dev
  # The program in front under X11 (platform/linux), and the window manager its tests run with.
  libxcb1-dev icewm
  qemu-system-x86 busybox-static
  xvfb xauth fonts-dejavu-core
  # Chinese glyphs: the UI tests measure the Chinese texts with a real font.
  fonts-wqy-microhei
  clang-14 libclang-rt-14-dev
  "$@"
)

cd "$(dirname "$0")/.."
source tools/apt.sh
if [ -z "$(apt_missing "${packages[@]}")" ]; then
  echo "setup: all build and test dependencies are installed"
  exit 0
fi
apt_install "${packages[@]}"
