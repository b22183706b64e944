# Sourced by the screenshot scripts.
#
# build_demo: builds kbconfig-demo and sets `build` to its build folder: build/screenshot, or the
# existing build folder KBCONFIG_SCREENSHOT_BUILD names (taken as it is configured).
build_demo() {
  build=${KBCONFIG_SCREENSHOT_BUILD:-build/screenshot}
  if [ -z "${KBCONFIG_SCREENSHOT_BUILD:-}" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKBCONFIG_BUILD_TESTS=OFF \
      -DKBCONFIG_BUILD_BENCHMARKS=OFF -DKBCONFIG_BUILD_UI=ON >/dev/null
  fi
  cmake --build "$build" -j "$(nproc)" --target kbconfig-demo
}

# Before the virtual display: xvfb_servers <count> sets the array `servers` to one xvfb-run option
# per display; KBCONFIG_XVFB_DISPLAY=:<n> puts them on :<n>, :<n+1>, ... instead of free ones.
xvfb_servers() {
  local i
  servers=()
  for ((i = 0; i < $1; i++)); do
    if [ -n "${KBCONFIG_XVFB_DISPLAY:-}" ]; then
      servers+=(--server-num="$((${KBCONFIG_XVFB_DISPLAY#:} + i))")
    else
      servers+=(--auto-servernum)
    fi
  done
}

# make_run_folder: sets `run_folder` to a clean program folder (removed on exit) with the demo, its
# resources and the macro on key A.
make_run_folder() {
  run_folder=$(mktemp -d)
  trap 'rm -rf "$run_folder"' EXIT
  cp "$build/app/kbconfig-demo" "$build/app/config.xml" "$run_folder/"
  cp -r "$build/app/uires" "$run_folder/"
  source tools/screenshot-macro.sh
  write_screenshot_macro "$run_folder"
}

# Where to click, from the main window's layout:
geometry_of() {  # control name -> "x y width height" of the control in its parent
  sed -n "/name=\"$1\"/,/<\/rect>/p" uires/layout/main.ui |
    sed -n 's/.*<\(x\|y\|width\|height\)>\([0-9]*\)<.*/\2/p' | head -n 4 | xargs
}
centre_of() {  # control name -> "x y", the control's centre in the window
  local x y w h
  read -r x y w h <<<"$(geometry_of "$1")"
  echo "$((x + w / 2)) $((y + h / 2))"
}

# On the virtual display: start_demo [argument...] starts $folder/kbconfig-demo, its output in
# $folder/demo.log, and ends it on exit ($program is its process).
start_demo() {
  QT_QPA_PLATFORM=xcb "$folder/kbconfig-demo" "$@" >"$folder/demo.log" 2>&1 &
  program=$!
  trap "kill $program 2>/dev/null || true" EXIT
}
shoot() { xwd -silent "$@" | xwdtopnm 2>/dev/null | pnmtopng; }  # xwd's options: -root or -id <window>
wait_for_window() {  # title pattern -> the window's id, once it is shown and drawn
  local window
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && { sleep 1; echo "$window"; return 0; }
    sleep 0.1
  done
  echo "screenshot: no window \"$1\"" >&2
  cat "$folder/demo.log" >&2
  return 1
}
find_main_window() {  # sets origin_x and origin_y, where click counts from
  local main
  main=$(wait_for_window '^Keyboard Configuration$')
  read -r origin_x origin_y < <(xdotool getwindowgeometry --shell "$main" | sed -n 's/^[XY]=//p' | xargs)
}
click() { xdotool mousemove $((origin_x + $1)) $((origin_y + $2)) click 1; }  # x y in the main window
