; The installer of 标签打印: per user, without administrator rights, into
; %LOCALAPPDATA%\Programs\标签打印, where config.ini beside the program stays writable.
; installer/CMakeLists.txt runs makensis with the folders of the built files:
;   VERSION   1.0.0
;   X64_DIR   labelprint.exe and the x64 labelsupport.dll
;   X86_DIR   the x86 labelsupport.dll
;   HELP_DIR  the help page and its picture
;   APP_ICON  the program's icon
;   OUTFILE   where the installer goes
; Both the installer and its uninstaller run silently with /S.
Unicode true
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "x64.nsh"

!define PRODUCT "标签打印"
!define PUBLISHER "LabelPrint"
; The entry in the list of installed programs (per user).
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\LabelPrint"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; An upgrade goes where the earlier version went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "${APP_ICON}"
!define MUI_UNICON "${APP_ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\labelprint.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\help\index.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "查看使用帮助"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"

; Runs one regsvr32 on one DLL; a failure is written to the details and to the exit code (2).
!macro REGSVR32 regsvr32 arguments dll
  ClearErrors
  ExecWait '"${regsvr32}" ${arguments} "${dll}"' $0
  ${If} ${Errors}
    StrCpy $0 "not started"
  ${EndIf}
  ${If} $0 != 0
    DetailPrint "regsvr32 ${arguments} ${dll}: $0"
    SetErrorLevel 2
  ${EndIf}
!macroend

; regsvr32 of each bitness registers its labelsupport.dll for the current user: the x86 one for
; 32-bit script hosts and Office, the x64 one for 64-bit ones. The installer is a 32-bit program, so
; it reaches the 64-bit system folder as Sysnative.
!macro SUPPORT_LIBRARY_REGISTRATION function arguments
Function ${function}
  ${If} ${RunningX64}
    !insertmacro REGSVR32 "$WINDIR\SysWOW64\regsvr32.exe" "${arguments}" "$INSTDIR\x86\labelsupport.dll"
    !insertmacro REGSVR32 "$WINDIR\Sysnative\regsvr32.exe" "${arguments}" "$INSTDIR\x64\labelsupport.dll"
  ${Else}
    !insertmacro REGSVR32 "$SYSDIR\regsvr32.exe" "${arguments}" "$INSTDIR\x86\labelsupport.dll"
  ${EndIf}
FunctionEnd
!macroend
!insertmacro SUPPORT_LIBRARY_REGISTRATION RegisterSupportLibrary "/s /n /i:user"
!insertmacro SUPPORT_LIBRARY_REGISTRATION un.UnregisterSupportLibrary "/u /s /n /i:user"

; The settings file of a first installation, in the system's ANSI code page like every write of the
; program. An existing one holds the operator's settings and is never replaced.
Function WriteFirstSettings
  ${If} ${FileExists} "$INSTDIR\config.ini"
    Return
  ${EndIf}
  ClearErrors
  FileOpen $0 "$INSTDIR\config.ini" w
  ${If} ${Errors}
    Return
  ${EndIf}
  FileWrite $0 "[settings]$\r$\n查询列=1$\r$\n[DATA]$\r$\nDB=$\r$\nTP=$\r$\n[print]$\r$\nprinter=$\r$\n"
  FileClose $0
FunctionEnd

Section "标签打印"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${X64_DIR}/labelprint.exe"
  SetOutPath "$INSTDIR\x64"
  File "${X64_DIR}/labelsupport.dll"
  SetOutPath "$INSTDIR\x86"
  File "${X86_DIR}/labelsupport.dll"
  SetOutPath "$INSTDIR\help"
  File "${HELP_DIR}/index.html"
  File "${HELP_DIR}/window.png"
  ; Shortcuts start the program in its own folder.
  SetOutPath "$INSTDIR"
  Call WriteFirstSettings
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\labelprint.exe"
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\labelprint.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\labelprint.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  Call RegisterSupportLibrary
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Call un.UnregisterSupportLibrary

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  Delete "$INSTDIR\labelprint.exe"
  Delete "$INSTDIR\x64\labelsupport.dll"
  RMDir "$INSTDIR\x64"
  Delete "$INSTDIR\x86\labelsupport.dll"
  RMDir "$INSTDIR\x86"
  Delete "$INSTDIR\help\index.html"
  Delete "$INSTDIR\help\window.png"
  RMDir "$INSTDIR\help"
  Delete "$INSTDIR\uninstall.exe"
  ; config.ini holds the operator's settings and stays, and with it the folder.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
