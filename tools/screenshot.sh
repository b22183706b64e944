#!/usr/bin/env bash
# Takes the pictures of the README: builds kbconfig-demo and starts it on a virtual X display
# (Xvfb) the size of its main window, so the window (centred, no window manager) fills the screen.
#   docs/screenshot.png          the main window (key A carries a recorded macro)
#   docs/screenshot-editor.png   the macro editor of key A, showing the recorded macro
#   docs/screenshot-cn.png       the main window in Chinese
#   docs/screenshot-save-failure.png, docs/screenshot-save-failure-cn.png
#                                the notice of settings that could not be saved, in English and in
#                                Chinese: the demo started with its folder on a read-only mount
#                                (in a mount namespace of its own, so it works as root too)
# KBCONFIG_XVFB_DISPLAY=:N makes the virtual display the first free one from N on.
# The macro was recorded with the demo itself (typing "hello"); its files are written into a
# clean program folder before the start, so every run shows the same.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh x11-apps netpbm xdotool fonts-wqy-microhei

build=build/screenshot
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKBCONFIG_BUILD_TESTS=OFF \
  -DKBCONFIG_BUILD_BENCHMARKS=OFF -DKBCONFIG_BUILD_UI=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target kbconfig-demo

# A clean program folder: default data files, and the recorded macro on key A.
run_folder=$(mktemp -d)
trap 'rm -rf "$run_folder"' EXIT
cp "$build/app/kbconfig-demo" "$build/app/config.xml" "$run_folder/"
cp -r "$build/app/uires" "$run_folder/"
source tools/screenshot-macro.sh
write_screenshot_macro "$run_folder"

# Where to click, from the layout and the key-position file: a control's centre in the window.
layout=uires/layout/main.ui
geometry_of() {  # name -> "x y width height" of the control in its parent
  sed -n "/name=\"$1\"/,/<\/rect>/p" "$layout" | sed -n 's/.*<\(x\|y\|width\|height\)>\([0-9]*\)<.*/\2/p' | head -n 4 | xargs
}
read -r image_x image_y _ _ <<<"$(geometry_of img_keyboard)"
IFS=, read -r key_x key_y key_w key_h < <(sed -n 's/.*name="A" .*rect="\([0-9,]*\)".*/\1/p' uires/keyboard/keyboard_positions.xml)
key_a="$((image_x + key_x + key_w / 2)) $((image_y + key_y + key_h / 2))"
read -r zh_x zh_y zh_w zh_h <<<"$(geometry_of zh_cn)"
chinese_button="$((zh_x + zh_w / 2)) $((zh_y + zh_h / 2))"
mkdir -p docs

display=${KBCONFIG_XVFB_DISPLAY:-:99}
xvfb-run --server-num="${display#:}" --auto-servernum --server-args="-screen 0 1000x660x24" bash -c '
  set -euo pipefail
  folder=$1 docs=$2 key_a=$3 chinese_button=$4
  QT_QPA_PLATFORM=xcb "$folder/kbconfig-demo" >"$folder/demo.log" 2>&1 &
  program=$!
  trap "kill \$program 2>/dev/null || true" EXIT
  shoot() { xwd -silent "$@" | xwdtopnm 2>/dev/null | pnmtopng; }
  wait_for_window() {
    for _ in $(seq 100); do
      window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
      [ -n "$window" ] && { sleep 1; echo "$window"; return 0; }
      sleep 0.1
    done
    echo "screenshot: no window \"$1\"" >&2
    cat "$folder/demo.log" >&2
    return 1
  }
  main=$(wait_for_window "^Keyboard Configuration\$")
  read -r origin_x origin_y < <(xdotool getwindowgeometry --shell "$main" | sed -n "s/^[XY]=//p" | xargs)
  click() { xdotool mousemove $((origin_x + $1)) $((origin_y + $2)) click 1; }
  shoot -root >"$docs/screenshot.png"

  click $key_a
  editor=$(wait_for_window "^Macro editor\$")
  shoot -id "$editor" >"$docs/screenshot-editor.png"
  xdotool windowfocus --sync "$editor" key Escape
  sleep 0.5

  click $chinese_button
  xdotool mousemove 0 0  # no hover look on the button
  sleep 1
  shoot -root >"$docs/screenshot-cn.png"
  kill $program
  wait $program || true

  # The folder read-only: the first save, at the start, fails and the notice comes up.
  as_user=(); [ "$(id -u)" = 0 ] || as_user=(--map-root-user)
  for language in en cn; do
    sed -i "s/<local language=\"[a-z]*\"/<local language=\"$language\"/" "$folder/config.xml"
    QT_QPA_PLATFORM=xcb unshare "${as_user[@]}" --mount --propagation private sh -c \
      "mount --bind \"\$1\" \"\$1\" && mount -o remount,bind,ro \"\$1\" && cd \"\$1\" && exec ./kbconfig-demo" \
      _ "$folder" >"$folder/demo.log" 2>&1 &
    program=$!
    [ $language = en ] && title="^Warning\$" suffix="" || title="^警告\$" suffix="-cn"
    wait_for_window "$title" >/dev/null
    xdotool mousemove 0 0
    shoot -root >"$docs/screenshot-save-failure$suffix.png"
    kill $program
    wait $program || true
  done
' _ "$run_folder" "$PWD/docs" "$key_a" "$chinese_button"
echo "screenshot: docs/screenshot.png, docs/screenshot-editor.png, docs/screenshot-cn.png," \
  "docs/screenshot-save-failure.png, docs/screenshot-save-failure-cn.png"
