#!/usr/bin/env bash
# End-to-end checks of the Windows program as a user gets it, under Wine:
#
#   1. the installer, run silently (/S), lays out the program folder under Program Files (the
#      licence texts of the shipped libraries and the setup's marker included), the Start-menu
#      shortcut and the entry in the list of programs; by default it registers the start with
#      Windows ("kbconfig.exe -hid" at logon), run again with /AUTOSTART=0 it takes that away,
#      and run again by default it puts it back; a data file an earlier version kept in the
#      program folder moves to the user's %APPDATA%\kbconfig
#   2. kbconfig-demo.exe from the installed folder, with no other DLL path: started with -hid its
#      window stays hidden and the emulated keyboard prints the version query report; its data
#      files go to %APPDATA%\kbconfig and its single-instance lock to %LOCALAPPDATA%\kbconfig,
#      nothing to the program folder or the root of the user's profile; a second start ends with
#      0 and brings the first one's window to the front; closing the window ends the program
#      with 0
#   3. kbconfig.exe without a keyboard: the "Please insert USB device!" box appears, and when it
#      is answered (Enter) the process ends with 0
#   4. the uninstaller, run by hand, asks whether to keep the user's data files (Return keeps
#      them) and removes the program; run silently with /KEEPDATA it keeps them too; run
#      silently without it, it leaves nothing behind
#
# Usage: run_windows_e2e.sh <build folder> <wine loader>
# The caller sets WINEPREFIX (a prefix made on the display) and DISPLAY; tools/build-win32.sh
# runs this after the installer is made. Exits non-zero when a check fails.
set -uo pipefail
build=$(cd "$1" && pwd)
wine=$2
here=$(cd "$(dirname "$0")" && pwd)
probe="${build}/tests/windows_e2e/window_probe.exe"
setup=$(ls "${build}"/kbconfig-*-setup.exe | head -n 1)
folder="${build}/program-folder"
logs=$(mktemp -d)
failures=0

# Only what Windows itself provides: no Qt or MinGW folder on any DLL path.
unset WINEPATH QT_PLUGIN_PATH QT_QPA_PLATFORM
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

install_dir='C:\Program Files\kbconfig'
unix_install_dir="${WINEPREFIX}/drive_c/Program Files/kbconfig"
shortcut="${WINEPREFIX}/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/kbconfig.lnk"
task_definition="${unix_install_dir}/kbconfig-logon-task.xml"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\kbconfig'
main_title='Keyboard Configuration'
# The user's folders as Windows names them, as paths here.
user_folder() { "${wine}" winepath -u "$("${wine}" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r')" 2>/dev/null | tr -d '\r'; }
user_data="$(user_folder APPDATA)/kbconfig"
lock_folder="$(user_folder LOCALAPPDATA)/kbconfig"
profile=$(user_folder USERPROFILE)

pass() { echo "e2e: ok   $*"; }
fail() { echo "e2e: FAIL $*"; failures=$((failures + 1)); }
check() {  # check <description> <command...>
  local what=$1
  shift
  if "$@"; then pass "${what}"; else fail "${what}"; fi
}
probe() { "${wine}" "${probe}" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
registry_value() {  # the data of one value of the uninstall entry, empty when missing
  "${wine}" reg query "${uninstall_key}" /v "$1" 2>/dev/null | tr -d '\r' |
    awk -v name="$1" '$1 == name { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
}
# Waits up to $2 seconds for process $1 to end; its exit code, or 124 when it did not end.
wait_exit() {
  local pid=$1 limit=$2
  for _ in $(seq $((limit * 10))); do
    if ! kill -0 "${pid}" 2>/dev/null; then
      wait "${pid}"
      return $?
    fi
    sleep 0.1
  done
  kill "${pid}" 2>/dev/null
  return 124
}
wait_log() {  # wait_log <file> <text> <seconds>
  for _ in $(seq $(($3 * 10))); do
    grep -qF -- "$2" "$1" && return 0
    sleep 0.1
  done
  return 1
}
listing() { (cd "$1" && find . -type f | LC_ALL=C sort); }
task_text() { iconv -f UTF-16 -t UTF-8 "${task_definition}" 2>/dev/null | tr -d '\r'; }
# Wine keeps registered tasks as files named by the task (its scheduler keeps only part of the
# definition, so the definition itself is checked in the program folder).
task_registered() { [ -n "$(find "${WINEPREFIX}/drive_c/windows/system32" -maxdepth 2 -ipath '*/tasks/kbconfig')" ]; }

# A macro file as an earlier version kept it beside the program.
earlier_macros='<?xml version="1.0"?>
<config type="0" repeat="1" mode="0" delay="10" media="0" function="0" group="0" skcode="0" play="0" />
<macro>
	<group name="Kept from before">
		<item code="458757" state="1" delay="1" name="B" />
	</group>
</macro>'

# --- 1. install ----------------------------------------------------------------------------------
rm -rf "${user_data}" "${lock_folder}"
"${wine}" "${setup}" /S
check "the installer exits with 0" test $? -eq 0
check "the logon task is registered" task_registered
printf '%s\n' "${earlier_macros}" >"${unix_install_dir}/macro.xml"
"${wine}" "${setup}" /S /AUTOSTART=0
check "the installer run again with /AUTOSTART=0 exits with 0" test $? -eq 0
check "... and takes the logon task away" eval '! task_registered && test ! -e "${task_definition}"'
"${wine}" "${setup}" /S
check "the installer run again by default exits with 0" test $? -eq 0
check "... and registers the logon task again" task_registered
check "an earlier version's data file moved from the program folder to %APPDATA%\\kbconfig" \
  eval 'test ! -e "${unix_install_dir}/macro.xml" && test "$(cat "${user_data}/macro.xml")" = "${earlier_macros}"'

expected=$( (listing "${folder}"; echo ./uninstall.exe; echo ./kbconfig-logon-task.xml; echo ./installed-by-setup.txt) |
  LC_ALL=C sort)
if [ "$(listing "${unix_install_dir}" 2>/dev/null)" = "${expected}" ]; then
  pass "the installed folder holds exactly the program folder, uninstall.exe, the task definition and the setup's marker"
else
  fail "the installed folder differs from the program folder:"
  diff <(echo "${expected}") <(listing "${unix_install_dir}" 2>/dev/null) | sed 's/^/e2e:      /'
fi
check "installed files are the program folder's" cmp -s "${folder}/kbconfig.exe" "${unix_install_dir}/kbconfig.exe"
for licence in LGPL-3.0.txt GPL-3.0.txt GCC-runtime-library-exception-3.1.txt NOTICES.txt; do
  check "the licence text ${licence} ships with the Qt and MinGW DLLs" test -s "${unix_install_dir}/licenses/${licence}"
done
check "the notices name Qt's LGPL and pugixml's MIT licence" \
  eval 'grep -q "GNU Lesser General Public License" "${unix_install_dir}/licenses/NOTICES.txt" &&
        grep -q "Arseny Kapoulkine" "${unix_install_dir}/licenses/NOTICES.txt"' 
check "the Start-menu shortcut exists" test -f "${shortcut}"
check "the shortcut starts the installed kbconfig.exe" \
  grep -qaF 'kbconfig\kbconfig.exe' <(strings -a -el "${shortcut}"; strings -a "${shortcut}")
check "the list of programs names kbconfig" test -n "$(registry_value DisplayName | grep '^kbconfig ')"
check "the list of programs knows the install folder" test "$(registry_value InstallLocation)" = "${install_dir}"
check "the list of programs has the uninstaller" \
  test "$(registry_value UninstallString)" = "\"${install_dir}\\uninstall.exe\""
check "the logon task starts the installed kbconfig.exe with -hid alone" \
  grep -qF "<Command>\"${install_dir}\\kbconfig.exe\"</Command><Arguments>-hid</Arguments>" <(task_text)
check "the logon task runs at logon" \
  grep -qF '<LogonTrigger><Enabled>true</Enabled></LogonTrigger>' <(task_text)
check "... with the highest rights" grep -qF '<RunLevel>HighestAvailable</RunLevel>' <(task_text)

# --- 2. the demo from the installed folder -------------------------------------------------------
version_query='keyboard <- feature: 07 f1 00 00 00 00 00 00'
"${wine}" "${install_dir}\\kbconfig-demo.exe" -hid >"${logs}/demo-first.log" 2>&1 &
first=$!
check "the demo prints the emulated keyboard's version query report" \
  wait_log "${logs}/demo-first.log" "${version_query}" 120
sleep 3
check "started with -hid, the demo's window stays hidden" test "$(probe visible "${main_title}"; echo $?)" = 1
check "the demo keeps its data files in %APPDATA%\\kbconfig" \
  eval 'test -s "${user_data}/ledeffect.xml" && test -s "${user_data}/sidemodel.xml"'
check "... none in the program folder" eval '! ls "${unix_install_dir}"/*.xml 2>/dev/null | grep -qv -e /config.xml -e /kbconfig-logon-task.xml'
check "the single-instance lock is in %LOCALAPPDATA%\\kbconfig" eval 'ls "${lock_folder}"/*.lock >/dev/null 2>&1'
check "... not in the root of the user's profile" eval '! ls "${profile}"/*.lock >/dev/null 2>&1' 
"${wine}" "${install_dir}\\kbconfig-demo.exe" >"${logs}/demo-second.log" 2>&1 &
second=$!
wait_exit "${second}" 60
check "a second start ends with 0" test $? -eq 0
check "a second start never opens the keyboard" test -z "$(grep -F "${version_query}" "${logs}/demo-second.log")"
check "a second start brings the first one's window up" probe wait "${main_title}" 30
sleep 1
check "... and to the front" test "$(probe foreground)" = "${main_title}"
probe close "${main_title}" >/dev/null
wait_exit "${first}" 60
check "closing the main window ends the demo with 0" test $? -eq 0

# --- 3. kbconfig.exe without a keyboard ----------------------------------------------------------
"${wine}" "${install_dir}\\kbconfig.exe" >"${logs}/kbconfig.log" 2>&1 &
program=$!
check "kbconfig.exe shows its box" probe wait Warning 120
check "the box says \"Please insert USB device!\"" \
  wait_log "${logs}/kbconfig.log" 'message box "Warning": Please insert USB device!' 10
probe press-enter Warning >/dev/null
wait_exit "${program}" 60
check "answering the box ends kbconfig.exe with 0" test $? -eq 0

# --- 4. uninstall --------------------------------------------------------------------------------
# The uninstaller runs from a copy in the temporary folder and returns at once: wait (up to a
# minute) until it has removed its folder and then its entry, which it does last.
uninstalled() {
  for _ in $(seq 600); do
    [ ! -e "${unix_install_dir}" ] && [ -z "$(registry_value DisplayName)" ] && return 0
    sleep 0.1
  done
  return 1
}
# By hand: Return takes the default button of each step. The uninstaller's window is titled
# "<name> Uninstall " (NSIS adds the page's empty subtitle after a blank), its question
# "<name> Uninstall".
uninstall_title="$(grep -o 'kbconfig [0-9.]*' <<<"$(registry_value DisplayName)" | head -n 1) Uninstall"
"${wine}" "${install_dir}\\uninstall.exe" >/dev/null 2>&1
check "the uninstaller run by hand shows its page" probe wait "${uninstall_title} " 60
probe press-enter "${uninstall_title} " >/dev/null  # Uninstall
check "... asks whether to keep the user's data" probe wait "${uninstall_title}" 60
probe press-enter "${uninstall_title}" >/dev/null  # Yes
check "... and closes when done" probe wait-gone "${uninstall_title} " 120
check "... having removed the program" uninstalled
check "... and keeping the user's data files, as asked" test -s "${user_data}/macro.xml"

"${wine}" "${setup}" /S
"${wine}" "${install_dir}\\uninstall.exe" /S /KEEPDATA
check "the uninstaller run silently with /KEEPDATA removes the program" uninstalled
check "... and keeps the user's data files" test -s "${user_data}/macro.xml"

"${wine}" "${setup}" /S
check "the setup run again finds the kept data files where they were" test -s "${user_data}/macro.xml"
"${wine}" "${install_dir}\\uninstall.exe" /S
uninstalled
check "the uninstaller removes the program folder, data files included" test ! -e "${unix_install_dir}"
check "... and the user's data and lock folders" eval 'test ! -e "${user_data}" && test ! -e "${lock_folder}"'
check "the uninstaller removes the shortcut" test ! -e "${shortcut}"
check "the uninstaller removes the logon task" eval '! task_registered'
check "the uninstaller removes the entry in the list of programs" test -z "$(registry_value DisplayName)"

if [ "${failures}" -ne 0 ]; then
  for log in "${logs}"/*.log; do
    echo "e2e: --- $(basename "${log}")"
    sed 's/^/e2e:   /' "${log}" | tail -n 40
  done
fi
rm -rf "${logs}"
echo "e2e: ${failures} failed"
[ "${failures}" -eq 0 ]
