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
  kill $program
  wait $program || true

  # The folder read-only: the first save, at the start, fails and the notice comes up.
  as_user=(); [ "$(id -u)" = 0 ] || as_user=(--map-root-user)
  for language in en cn; do
    sed -i "s/<local language=\"[a-z]*\"/<local language=\"$language\"/" "$folder/config.xml"
    rm -f "$folder/settings.xml"  # else the language picked in the window above wins
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
