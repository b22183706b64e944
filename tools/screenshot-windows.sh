#!/usr/bin/env bash
# Takes the Windows pictures of the README: the Windows demo (kbconfig-demo.exe from the x86_64
# program folder that tools/build-win32.sh lays out) under Wine on a virtual X display, with the
# same recorded macro on key A as the Linux pictures.
#   docs/screenshot-windows.png          the main window (the screen is the window's size: Wine,
#                                        without a window manager, centres it, so the picture is
#                                        the window)
#   docs/screenshot-windows-effects.png  the same with the lighting effect list open
#   docs/screenshot-windows-about.png    the same with the About box open
#   docs/screenshot-windows-fitted.png   a 1366x768 screen at 125 % (Windows' "LogPixels" 120),
#                                        whose work area is smaller than the window's layout
#
# Usage: [KBCONFIG_XVFB_DISPLAY=:N] tools/screenshot-windows.sh   (a display number of the caller's
# choosing, as for tools/build-win32.sh; by default the first free one)
set -euo pipefail
cd "$(dirname "$0")/.."
display_option=(--auto-servernum)
if [ -n "${KBCONFIG_XVFB_DISPLAY:-}" ]; then display_option=(--server-num "${KBCONFIG_XVFB_DISPLAY#:}"); fi

bash tools/setup.sh x11-apps netpbm xdotool xvfb xauth wine64 fonts-wine
bash tools/build-win32.sh --arch x86_64 --program-only

run_folder=$(mktemp -d)
trap 'rm -rf "$run_folder"' EXIT
mkdir -p "$run_folder/program"
cp -r build/win32-x86_64/program-folder/. "$run_folder/program/"
source tools/screenshot-macro.sh
write_screenshot_macro "$run_folder/program"
mkdir -p docs

# Where to click, from the layout: a control's centre in the window, at the layout's size.
layout=uires/layout/main.ui
centre_of() {  # name -> "x y" of the control's centre (controls placed directly on the window or a panel)
  local x y w h px=0 py=0
  read -r x y w h <<<"$(sed -n "/name=\"$1\"/,/<\/rect>/p" "$layout" | sed -n 's/.*<\(x\|y\|width\|height\)>\([0-9]*\)<.*/\2/p' | head -n 4 | xargs)"
  if [ -n "${2:-}" ]; then read -r px py _ _ <<<"$(sed -n "/name=\"$2\"/,/<\/rect>/p" "$layout" | sed -n 's/.*<\(x\|y\)>\([0-9]*\)<.*/\2/p' | head -n 2 | xargs) 0 0"; fi
  echo "$((px + x + w / 2)) $((py + y + h / 2))"
}

# shoot <screen WxH> <LogPixels> <picture> [more]: the demo on a screen of that size and DPI; with
# "more", also the effect list and the About box (at the layout's size, where the clicks land).
shoot() {
  xvfb-run "${display_option[@]}" --server-args="-screen 0 $1x24" bash -c '
    set -euo pipefail
    source=$1 dpi=$2 picture=$3 more=$4 effects_at=$5 more_at=$6
    # A prefix of its own, made on this display, as Wine needs; the program in C:\kbconfig.
    export WINEPREFIX=$source/wineprefix-$dpi WINEARCH=win64 WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    unset WINEPATH QT_PLUGIN_PATH QT_QPA_PLATFORM
    /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
    /usr/lib/wine/wine64 reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    /usr/lib/wine/wineserver -w || true
    folder=$WINEPREFIX/drive_c/kbconfig
    mkdir -p "$folder"
    cp -r "$source/program/." "$folder/"
    /usr/lib/wine/wine64 "C:\\kbconfig\\kbconfig-demo.exe" >"$source/demo.log" 2>&1 &
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
      cat "$source/demo.log" >&2
      exit 1
    fi
    sleep 3  # the keyboard picture and the lighting page are drawn after the window shows
    xdotool mousemove 0 0
    grab() { xwd -silent -root | xwdtopnm 2>/dev/null | pnmtopng >"$1"; }
    grab "$picture"
    [ "$more" = more ] || exit 0
    xdotool mousemove $effects_at click 1
    sleep 1.5
    grab "${picture%.png}-effects.png"
    xdotool key Escape
    sleep 0.5
    # The "more" menu, its third entry ("About").
    xdotool mousemove $more_at click 1
    sleep 1
    xdotool key Down Down Down Return
    sleep 1.5
    grab "${picture%.png}-about.png"
  ' _ "$run_folder" "$2" "$3" "${4:-}" "$(centre_of cbx_color_effect panel_lighting)" "$(centre_of btn_more)"
}

shoot 1000x660 96 "$PWD/docs/screenshot-windows.png" more
shoot 1366x768 120 "$PWD/docs/screenshot-windows-fitted.png"
echo "screenshot-windows: docs/screenshot-windows*.png"
