; The kbconfig installer: per machine, elevated, as the program is.
;
;   makensis -DVERSION=<x.y> -DARCH=x64|x86 -DFILE_LIST=<program_files.nsh> -DICON=<kbconfig.ico>
;            -DOUTFILE=<setup.exe> kbconfig.nsi
; (packaging/windows/CMakeLists.txt, target windows_installer, runs it.)
;
; Installs the program folder under Program Files, a Start-menu shortcut, an uninstaller listed
; in the system's list of programs and, as an option, a start with Windows in the notification
; area ("kbconfig.exe -hid" at every logon). The program asks for administrator rights, and
; Windows starts no such program from the Run key at logon, so the option is a scheduled logon
; task with the highest rights instead.
;
; The marker installed-by-setup.txt in the program folder has the programs keep each user's data
; files in %APPDATA%\kbconfig (Program Files is not theirs to write). Data files an earlier
; version kept in the program folder move there, to the user who runs the setup. The uninstaller
; asks whether to keep them; run silently it removes them unless given /KEEPDATA.
;
; Silent: setup.exe /S [/AUTOSTART=0] [/D=<folder>]   uninstall.exe /S [/KEEPDATA]

Unicode true
!if "${ARCH}" == "x64"
  Target amd64-unicode
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "FileFunc.nsh"
!include "WordFunc.nsh"
!include "x64.nsh"
!include "${FILE_LIST}"

!define PRODUCT "kbconfig"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define TASK_NAME "kbconfig"
!define TASK_FILE "kbconfig-logon-task.xml"
!define SETUP_MARKER "installed-by-setup.txt"
; Each user's data files (with the current user's shell folders).
!define USER_DATA "$APPDATA\${PRODUCT}"

!macro KB_REMOVE_AUTOSTART
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /TN "${TASK_NAME}" /F'
  Pop $0
  Delete "$INSTDIR\${TASK_FILE}"
!macroend

; A data file of the program, its kept unreadable copies (<name>.bad, <name>.bad.1, ...) and the
; temporary files an interrupted save leaves (<name>.tmp-...).
!macro KB_REMOVE_DATA_FILE folder name
  Delete "${folder}\${name}"
  Delete "${folder}\${name}.bad*"
  Delete "${folder}\${name}.tmp-*"
!macroend

; Every file the programs keep in a data folder, and the folder when nothing else is left in it.
!macro KB_REMOVE_DATA folder
  !insertmacro KB_REMOVE_DATA_FILE "${folder}" "macro.xml"
  !insertmacro KB_REMOVE_DATA_FILE "${folder}" "record.xml"
  !insertmacro KB_REMOVE_DATA_FILE "${folder}" "ledeffect.xml"
  !insertmacro KB_REMOVE_DATA_FILE "${folder}" "sidemodel.xml"
  Delete "${folder}\tray-notice-told"
!macroend

; A data file an earlier version kept in the program folder goes to the user's data folder,
; unless the user has one there already.
!macro KB_MOVE_DATA_FILE name
  ${If} ${FileExists} "$INSTDIR\${name}"
  ${AndIfNot} ${FileExists} "${USER_DATA}\${name}"
    CreateDirectory "${USER_DATA}"
    ClearErrors
    CopyFiles /SILENT "$INSTDIR\${name}" "${USER_DATA}"
    ${IfNot} ${Errors}
      Delete "$INSTDIR\${name}"
    ${EndIf}
  ${EndIf}
!macroend

!if "${ARCH}" == "x64"
  !define BITS "64-bit"
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  !define BITS "32-bit"
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif

Name "${PRODUCT} ${VERSION}"
Caption "${PRODUCT} ${VERSION} (${BITS}) Setup"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} (${BITS}) Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "kbconfig developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\kbconfig.exe"
!define MUI_FINISHPAGE_RUN_TEXT "$(StartNow)"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString StartNow ${LANG_ENGLISH} "Start kbconfig now"
LangString StartNow ${LANG_SIMPCHINESE} "立即启动 kbconfig"
LangString SectionAutostartName ${LANG_ENGLISH} "Start with Windows in the notification area"
LangString SectionAutostartName ${LANG_SIMPCHINESE} "随 Windows 启动并显示在通知区域"
LangString Needs32Bit ${LANG_ENGLISH} "This is the 64-bit kbconfig; this Windows needs the 32-bit setup."
LangString Needs32Bit ${LANG_SIMPCHINESE} "这是 64 位的 kbconfig；此 Windows 需要 32 位的安装程序。"
LangString KeepData ${LANG_ENGLISH} "Keep your macros, key assignments and lighting settings?$\r$\n$\r$\nYes: they stay in ${USER_DATA} for a later installation of kbconfig.$\r$\nNo: they are deleted."
LangString KeepData ${LANG_SIMPCHINESE} "保留您的宏、按键设置和灯光设置吗？$\r$\n$\r$\n是：它们保留在 ${USER_DATA} 中，供以后再次安装 kbconfig 时使用。$\r$\n否：删除它们。"

Section "kbconfig" SectionProgram
  SectionIn RO
  !insertmacro KB_INSTALL_FILES
  FileOpen $0 "$INSTDIR\${SETUP_MARKER}" w
  FileWrite $0 "Written by kbconfig's setup. While this file is here, kbconfig keeps each user's macros,$\r$\n"
  FileWrite $0 "key assignments and lighting settings in %APPDATA%\${PRODUCT}.$\r$\n"
  FileClose $0
  SetShellVarContext current
  !insertmacro KB_MOVE_DATA_FILE "macro.xml"
  !insertmacro KB_MOVE_DATA_FILE "record.xml"
  !insertmacro KB_MOVE_DATA_FILE "ledeffect.xml"
  !insertmacro KB_MOVE_DATA_FILE "sidemodel.xml"
  SetShellVarContext all
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\kbconfig.exe" "" "$INSTDIR\kbconfig.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION} (${BITS})"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "kbconfig developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kbconfig.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "$(SectionAutostartName)" SectionAutostart
  ; The task's definition, kept in the program folder: UTF-16 with its byte-order mark, as
  ; schtasks reads it. The path is XML-escaped.
  ${WordReplace} "$INSTDIR" "&" "&amp;" "+" $1
  FileOpen $0 "$INSTDIR\${TASK_FILE}" w
  FileWriteWord $0 0xFEFF
  FileWriteUTF16LE $0 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
  FileWriteUTF16LE $0 '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">$\r$\n'
  FileWriteUTF16LE $0 '  <RegistrationInfo><Description>Starts kbconfig in the notification area at logon.</Description></RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $0 '  <Triggers><LogonTrigger><Enabled>true</Enabled></LogonTrigger></Triggers>$\r$\n'
  FileWriteUTF16LE $0 '  <Principals><Principal id="Users"><GroupId>S-1-5-32-545</GroupId><RunLevel>HighestAvailable</RunLevel></Principal></Principals>$\r$\n'
  FileWriteUTF16LE $0 '  <Settings><MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy><DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries><StopIfGoingOnBatteries>false</StopIfGoingOnBatteries><ExecutionTimeLimit>PT0S</ExecutionTimeLimit><Enabled>true</Enabled></Settings>$\r$\n'
  FileWriteUTF16LE $0 '  <Actions Context="Users"><Exec><Command>"$1\kbconfig.exe"</Command><Arguments>-hid</Arguments></Exec></Actions>$\r$\n'
  FileWriteUTF16LE $0 '</Task>$\r$\n'
  FileClose $0
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Create /TN "${TASK_NAME}" /XML "$INSTDIR\${TASK_FILE}" /F'
  Pop $0
  ${If} $0 != 0
    DetailPrint "schtasks /Create failed ($0): kbconfig will not start with Windows"
    SetErrorLevel 2
  ${EndIf}
SectionEnd

; Setup run again without the option turns the start with Windows off.
Section "-RemoveAutostart"
  ${IfNot} ${SectionIsSelected} ${SectionAutostart}
    !insertmacro KB_REMOVE_AUTOSTART
  ${EndIf}
SectionEnd

Function .onInit
  !if "${ARCH}" == "x64"
    ${IfNot} ${RunningX64}
      MessageBox MB_OK|MB_ICONSTOP "$(Needs32Bit)"
      Abort
    ${EndIf}
    SetRegView 64
  !endif
  SetShellVarContext all
  ; /AUTOSTART=0 leaves the start with Windows out (for silent installs).
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AUTOSTART=" $1
  ${IfNot} ${Errors}
  ${AndIf} $1 == "0"
    !insertmacro UnselectSection ${SectionAutostart}
  ${EndIf}
FunctionEnd

Function un.onInit
  !if "${ARCH}" == "x64"
    SetRegView 64
  !endif
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  ; Whether the user's data files stay: asked (Yes, keep them, is the default); silently they go
  ; unless /KEEPDATA is given.
  StrCpy $1 "remove"
  ${If} ${Silent}
    ${un.GetParameters} $0
    ClearErrors
    ${un.GetOptions} $0 "/KEEPDATA" $2
    ${IfNot} ${Errors}
      StrCpy $1 "keep"
    ${EndIf}
  ${Else}
    SetShellVarContext current
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON1 "$(KeepData)" IDNO +2
    StrCpy $1 "keep"
    SetShellVarContext all
  ${EndIf}

  !insertmacro KB_REMOVE_AUTOSTART
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  ${If} $1 == "remove"
    SetShellVarContext current
    !insertmacro KB_REMOVE_DATA "${USER_DATA}"
    Delete "${USER_DATA}\config.xml"
    RMDir "${USER_DATA}"
    SetShellVarContext all
    ; Where earlier versions kept them.
    !insertmacro KB_REMOVE_DATA "$INSTDIR"
  ${EndIf}
  ; The single-instance lock's folder, when no lock is left in it.
  SetShellVarContext current
  RMDir "$LOCALAPPDATA\${PRODUCT}"
  SetShellVarContext all
  !insertmacro KB_REMOVE_FILES
  Delete "$INSTDIR\${SETUP_MARKER}"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: files a user put there stay.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Done: nothing more to confirm.
  SetAutoClose true
SectionEnd
