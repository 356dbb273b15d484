; The Tickwell installer: Tickwell, its tools, the terminal-side DLL (64- and 32-bit), Excel's
; real-time data server Tickwell.Quotes (64- and 32-bit, registered for the installing user),
; the MetaTrader 5 expert's source and the help page, into Program Files\Tickwell, with Start-menu
; entries and an uninstaller registered in Add/Remove Programs.
;
; Built by installer/build.sh, which passes:
;   VERSION      four numbers, a.b.c.d
;   WIN64_BIN    the x86_64 build's bin folder (the programs and the 64-bit DLLs)
;   WIN32_BIN    the i686 build's bin folder (the 32-bit DLLs)
;   SOURCE       the source tree (help page, pictures, expert, DLL header)
;   OUTFILE      the installer to write

Unicode true
!include "LogicLib.nsh"
!include "x64.nsh"

!define PRODUCT "Tickwell"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tickwell"
!define MAIN_WINDOW_CLASS "TickwellMainWindow"
; Tickwell.Quotes registers itself under the user's classes (regsvr32 calls DllRegisterServer).
!define REGSVR64 "$WINDIR\Sysnative\regsvr32.exe"
!define REGSVR32 "$WINDIR\SysWOW64\regsvr32.exe"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tickwell"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "Tickwell setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Tickwell"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Files cannot be replaced or removed while Tickwell runs from them.
!macro REFUSE_WHILE_RUNNING what
  retry_${what}:
  FindWindow $0 "${MAIN_WINDOW_CLASS}"
  ${If} $0 != 0
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Tickwell is running. Close it, then choose Retry." /SD IDCANCEL IDRETRY retry_${what}
    SetErrorLevel 2
    Abort
  ${EndIf}
!macroend

Function .onInit
  ; The programs are 64-bit, as MetaTrader 5 is.
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "Tickwell needs 64-bit Windows." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  SetRegView 64
  !insertmacro REFUSE_WHILE_RUNNING install
FunctionEnd

Section "Tickwell"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${WIN64_BIN}/tickwell.exe"
  File "${WIN64_BIN}/tickwell-feed.exe"
  File "${WIN64_BIN}/tickwell-watch.exe"
  File "${WIN64_BIN}/tickwell-sheet.exe"
  File "${SOURCE}/app/help/tickwell-help.html"
  File "${SOURCE}/app/help/tickwell-window.png"
  File "${SOURCE}/app/help/tickwell-sheet.png"
  File "${SOURCE}/app/help/tickwell-refused.png"
  ; For the terminal: the 64-bit DLL (MetaTrader 5), the 32-bit one for 32-bit programs, the
  ; expert's source and the DLL's header for anyone who writes a sender of their own.
  File "${WIN64_BIN}/TickwellFeed.dll"
  File "${SOURCE}/mql5/TickwellFeed.mq5"
  File "${SOURCE}/mql5/TickwellService.mq5"
  File "${SOURCE}/mql5/TickwellFeed.mqh"
  File "${SOURCE}/feed/tickwell_feed.h"
  ; For Excel, 64- and 32-bit: =RTD("Tickwell.Quotes",,"EURUSD","BID").
  File "${WIN64_BIN}/TickwellRtd.dll"
  SetOutPath "$INSTDIR\x86"
  File "${WIN32_BIN}/TickwellFeed.dll"
  File "${WIN32_BIN}/TickwellRtd.dll"
  SetOutPath "$INSTDIR"
  ExecWait '"${REGSVR64}" /s "$INSTDIR\TickwellRtd.dll"' $0
  ${If} $0 != 0
    DetailPrint "Registering the 64-bit TickwellRtd.dll failed (exit code $0)"
  ${EndIf}
  ExecWait '"${REGSVR32}" /s "$INSTDIR\x86\TickwellRtd.dll"' $0
  ${If} $0 != 0
    DetailPrint "Registering the 32-bit TickwellRtd.dll failed (exit code $0)"
  ${EndIf}

  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Tickwell"
  CreateShortcut "$SMPROGRAMS\Tickwell\Tickwell.lnk" "$INSTDIR\tickwell.exe" "" \
    "$INSTDIR\tickwell.exe" 0
  CreateShortcut "$SMPROGRAMS\Tickwell\Tickwell help.lnk" "$INSTDIR\tickwell-help.html"
  CreateShortcut "$SMPROGRAMS\Tickwell\Uninstall Tickwell.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tickwell.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  SetRegView 64
  !insertmacro REFUSE_WHILE_RUNNING uninstall
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Tickwell\Tickwell.lnk"
  Delete "$SMPROGRAMS\Tickwell\Tickwell help.lnk"
  Delete "$SMPROGRAMS\Tickwell\Uninstall Tickwell.lnk"
  RMDir "$SMPROGRAMS\Tickwell"

  ; Unregistered before their files go: regsvr32 loads each DLL to ask it.
  ExecWait '"${REGSVR64}" /u /s "$INSTDIR\TickwellRtd.dll"'
  ExecWait '"${REGSVR32}" /u /s "$INSTDIR\x86\TickwellRtd.dll"'
  Delete "$INSTDIR\TickwellRtd.dll"
  Delete "$INSTDIR\x86\TickwellRtd.dll"
  Delete "$INSTDIR\tickwell.exe"
  Delete "$INSTDIR\tickwell-feed.exe"
  Delete "$INSTDIR\tickwell-watch.exe"
  Delete "$INSTDIR\tickwell-sheet.exe"
  Delete "$INSTDIR\tickwell-help.html"
  Delete "$INSTDIR\tickwell-window.png"
  Delete "$INSTDIR\tickwell-sheet.png"
  Delete "$INSTDIR\tickwell-refused.png"
  Delete "$INSTDIR\TickwellFeed.dll"
  Delete "$INSTDIR\TickwellFeed.mq5"
  Delete "$INSTDIR\TickwellService.mq5"
  Delete "$INSTDIR\TickwellFeed.mqh"
  Delete "$INSTDIR\tickwell_feed.h"
  Delete "$INSTDIR\x86\TickwellFeed.dll"
  RMDir "$INSTDIR\x86"
  ; Run in place (with _?=, which waits for it and gives its exit code) the uninstaller cannot
  ; remove itself nor so its folder: both then go when Windows next starts.
  Delete /REBOOTOK "$INSTDIR\uninstall.exe"
  ; Only when empty: files the user put here stay.
  RMDir /REBOOTOK "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
