#!/usr/bin/env bash
# Takes docs/screenshot.png: builds kbconfig-demo, starts it on a virtual X display (Xvfb) the
# size of its main window, so the window (centred, no window manager) fills the screen, and
# grabs the screen with xwd.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
needed=()
for package in x11-apps netpbm xvfb xauth fonts-wqy-microhei; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    needed+=("$package")
  fi
done
if [ ${#needed[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${needed[@]}"
fi

build=build/screenshot
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKBCONFIG_BUILD_TESTS=OFF \
  -DKBCONFIG_BUILD_BENCHMARKS=OFF -DKBCONFIG_BUILD_UI=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target kbconfig-demo

# A clean program folder: default data files, nothing from earlier runs.
run_folder=$(mktemp -d)
trap 'rm -rf "$run_folder"' EXIT
cp "$build/app/kbconfig-demo" "$build/app/config.xml" "$run_folder/"
cp -r "$build/app/uires" "$run_folder/"
mkdir -p docs

xvfb-run --auto-servernum --server-args="-screen 0 1000x660x24" bash -c '
  set -euo pipefail
  QT_QPA_PLATFORM=xcb "$1/kbconfig-demo" >/dev/null 2>&1 &
  program=$!
  sleep 4
  xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > "$2"
  kill "$program"
  wait "$program" 2>/dev/null || true
' _ "$run_folder" "$PWD/docs/screenshot.png"
echo "screenshot: docs/screenshot.png"
