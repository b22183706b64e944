#!/usr/bin/env bash
# Takes docs/screenshot-windows.png: the Windows demo (kbconfig-demo.exe from the x86_64 program
# folder that tools/build-win32.sh lays out) under Wine on a virtual X display, with the same
# recorded macro on key A as the Linux pictures. The screen is the size of the main window, which
# Wine places in its middle (no window manager), so the picture is the window.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh x11-apps netpbm xdotool xvfb xauth wine64 fonts-wine
bash tools/build-win32.sh --arch x86_64 --program-only

run_folder=$(mktemp -d)
trap 'rm -rf "$run_folder"' EXIT
cp -r build/win32-x86_64/program-folder/. "$run_folder/"
source tools/screenshot-macro.sh
write_screenshot_macro "$run_folder"
mkdir -p docs

xvfb-run --auto-servernum --server-args="-screen 0 1000x660x24" bash -c '
  set -euo pipefail
  folder=$1 picture=$2
  # A prefix of its own, made on this display, as Wine needs.
  export WINEPREFIX=$folder/wineprefix WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  unset WINEPATH QT_PLUGIN_PATH QT_QPA_PLATFORM
  /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w || true
  /usr/lib/wine/wine64 "$folder/kbconfig-demo.exe" >"$folder/demo.log" 2>&1 &
  program=$!
  trap "kill $program 2>/dev/null || true; /usr/lib/wine/wineserver -k 2>/dev/null || true" EXIT
  window=""
  for _ in $(seq 600); do
    window=$(xdotool search --onlyvisible --name "^Keyboard Configuration\$" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.1
  done
  if [ -z "$window" ]; then
    echo "screenshot-windows: no window \"Keyboard Configuration\"" >&2
    cat "$folder/demo.log" >&2
    exit 1
  fi
  sleep 3  # the keyboard picture and the lighting page are drawn after the window shows
  xdotool mousemove 0 0
  xwd -silent -root | xwdtopnm 2>/dev/null | pnmtopng >"$picture"
' _ "$run_folder" "$PWD/docs/screenshot-windows.png"
echo "screenshot-windows: docs/screenshot-windows.png"
