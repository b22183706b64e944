#!/usr/bin/env bash
# Takes the profile pictures of the README with kbconfig-demo on a virtual X display (Xvfb):
#   docs/screenshot-profiles.png     the Profile box with its menu open ("Gaming" is active)
#   docs/screenshot-rules.png        the rules' editor: Gaming comes with the games' folder
#   docs/screenshot-rules-cn.png     the same in Chinese
#   docs/screenshot-tray.png         the tray menu listing the profiles (a notification area from
#                                    trayer: bare Xvfb has none, and Qt then shows no tray icon)
# The profiles, settings and the macro on key A are written into a clean program folder first.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh x11-apps netpbm xdotool fonts-wqy-microhei trayer

source tools/screenshot-helpers.sh
build_demo

make_run_folder
mkdir -p "$run_folder/profiles/Gaming" "$run_folder/profiles/Office"
cp "$run_folder/record.xml" "$run_folder/profiles/Gaming/record.xml"
cat >"$run_folder/settings.xml" <<'SETTINGS'
<?xml version="1.0"?>
<settings>
	<profiles active="Gaming" first="" />
	<programs switch="1" default="Office">
		<rule profile="Gaming" match="folder" value="C:\Games" />
		<rule profile="Gaming" match="class" value="steam" />
		<rule profile="" match="name" value="code.exe" />
	</programs>
</settings>
SETTINGS

profile_button=$(centre_of btn_profile_more)
chinese_button=$(centre_of zh_cn)
mkdir -p docs
xvfb_servers 2

# The profile box and the rules' editor, on a screen the size of the main window.
xvfb-run "${servers[0]}" --server-args="-screen 0 1000x660x24" bash -c '
  set -euo pipefail
  folder=$1 docs=$2 profile_button=$3 chinese_button=$4
  export XDG_RUNTIME_DIR=$folder/runtime && mkdir -m 700 "$XDG_RUNTIME_DIR"
  source tools/screenshot-helpers.sh
  start_demo
  find_main_window
  open_rules() {  # the last entry of the profile menu, which opens upwards at the window edge
    click $profile_button
    sleep 0.5
    xdotool key Up Return
  }

  click $profile_button
  sleep 1
  shoot -root >"$docs/screenshot-profiles.png"
  xdotool key Escape
  sleep 0.5

  open_rules
  rules=$(wait_for_window "^Switch profiles by program\$")
  shoot -id "$rules" >"$docs/screenshot-rules.png"
  xdotool windowfocus --sync "$rules" key Escape
  sleep 0.5

  click $chinese_button
  xdotool mousemove 0 0
  sleep 1
  open_rules
  rules=$(wait_for_window "^按程序切换配置\$")
  shoot -id "$rules" >"$docs/screenshot-rules-cn.png"
' _ "$run_folder" "$PWD/docs" "$profile_button" "$chinese_button"

# The tray menu: a notification area (trayer) at the top right, the program's icon in it.
sed -i '/<language /d' "$run_folder/settings.xml"  # in English again
xvfb-run "${servers[1]}" --server-args="-screen 0 1100x760x24" bash -c '
  set -euo pipefail
  folder=$1 docs=$2
  export XDG_RUNTIME_DIR=$folder/runtime
  trayer --edge top --align right --widthtype pixel --width 32 --heighttype pixel --height 32 --SetDockType false \
    --transparent false --tint 0x2a2e37 >/dev/null 2>&1 &
  tray=$!
  sleep 1
  source tools/screenshot-helpers.sh
  start_demo -hid
  trap "kill $program $tray 2>/dev/null || true" EXIT
  sleep 3
  xdotool mousemove 1084 16 click 3
  sleep 1
  xwd -silent -root | xwdtopnm 2>/dev/null | pnmtopng | pngtopnm | pnmcut -left 700 -top 0 -width 400 -height 260 | pnmtopng \
    >"$docs/screenshot-tray.png"
' _ "$run_folder" "$PWD/docs"
echo "screenshot: docs/screenshot-profiles.png, docs/screenshot-rules.png, docs/screenshot-rules-cn.png, docs/screenshot-tray.png"
