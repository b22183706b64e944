#!/usr/bin/env bash
# Takes the pictures of the README: builds kbconfig-demo and starts it on a virtual X display
# (Xvfb) the size of its main window, so the window (centred, no window manager) fills the screen.
#   docs/screenshot.png          the main window (key A carries a recorded macro)
#   docs/screenshot-editor.png   the macro editor of key A, showing the recorded macro
#   docs/screenshot-cn.png       the main window in Chinese
# The macro was recorded with the demo itself (typing "hello"); its files are written into a
# clean program folder before the start, so every run shows the same.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh x11-apps netpbm xdotool fonts-wqy-microhei

source tools/screenshot-helpers.sh
build_demo

# A clean program folder: default data files, and the recorded macro on key A.
make_run_folder

# Where to click, from the layout and the key-position file: a control's centre in the window.
read -r image_x image_y _ _ <<<"$(geometry_of img_keyboard)"
IFS=, read -r key_x key_y key_w key_h < <(sed -n 's/.*name="A" .*rect="\([0-9,]*\)".*/\1/p' uires/keyboard/keyboard_positions.xml)
key_a="$((image_x + key_x + key_w / 2)) $((image_y + key_y + key_h / 2))"
chinese_button=$(centre_of zh_cn)
mkdir -p docs
xvfb_servers 1

xvfb-run "${servers[0]}" --server-args="-screen 0 1000x660x24" bash -c '
  set -euo pipefail
  folder=$1 docs=$2 key_a=$3 chinese_button=$4
  source tools/screenshot-helpers.sh
  start_demo
  find_main_window
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
' _ "$run_folder" "$PWD/docs" "$key_a" "$chinese_button"
echo "screenshot: docs/screenshot.png, docs/screenshot-editor.png, docs/screenshot-cn.png"
