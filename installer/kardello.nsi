; The installer of VARNO Kardello: the program under Program Files, the agent key's
; CAPTION and first-run defaults, a start at every logon, a Start-menu entry and an
; uninstaller. /S installs or uninstalls silently; the uninstaller keeps the user's
; settings unless given /REMOVESETTINGS (or told so in its question).
; A 32-bit program itself, it runs on both kinds of Windows and installs the build
; that matches the system: the 64-bit one in the 64-bit Program Files, or the 32-bit
; one. The VARNO keys are written in the 32-bit registry view, where the 32-bit photo
; application and the agent (either build) look for them; the Run and uninstall
; entries go in the system's native view.
; A kardello.exe that stays in use once the agent was asked to end (another user's
; agent) is replaced or removed at the next restart; the last page says so, and the
; exit code is then 3010.
; makensis -DKARDELLO_EXE64=path -DKARDELLO_EXE32=path -DOUTFILE=path kardello.nsi

Unicode true
!include "MUI2.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

!ifndef KARDELLO_EXE64 | KARDELLO_EXE32
  !error "KARDELLO_EXE64 and KARDELLO_EXE32 must name the two builds' kardello.exe"
!endif
!ifndef OUTFILE
  !define OUTFILE "kardello-setup.exe"
!endif

!define PRODUCT "VARNO Kardello"
!define VERSION "1.00S"
!define AGENT_KEY "Software\VARNO\VARNO Kardello"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VARNO Kardello"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define NOT_REGISTERED "No registrada"
!define ID_MENU_EXIT 32772
; Where the new program waits when the old one cannot be replaced yet.
!define PENDING_EXE "kardello.new"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\VARNO\VARNO Kardello"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "1.0.0.0"
VIAddVersionKey /LANG=1034 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1034 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1034 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1034 "FileDescription" "Instalación de ${PRODUCT}"
VIAddVersionKey /LANG=1034 "CompanyName" "VARNO"
VIAddVersionKey /LANG=1034 "LegalCopyright" "Copyright © 2026 VARNO"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; The icon right away, not only at the next logon. Silent mode shows no page and
; starts nothing. When a restart is due, the last page asks for it instead; later is
; the default, since the program in use may be another user's, logged on as well.
!define MUI_FINISHPAGE_RUN ""
!define MUI_FINISHPAGE_RUN_TEXT "Iniciar ${PRODUCT} ahora"
!define MUI_FINISHPAGE_RUN_FUNCTION StartAgentAsUser
!define MUI_FINISHPAGE_REBOOTLATER_DEFAULT
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_REBOOTLATER_DEFAULT
!insertmacro MUI_UNPAGE_FINISH
!insertmacro MUI_LANGUAGE "Spanish"

; The view the system's own programs read: the 64-bit one on 64-bit Windows. On
; 32-bit Windows there is only one, which is also the 32-bit view.
!macro NativeRegView
  ${If} ${RunningX64}
    SetRegView 64
  ${Else}
    SetRegView 32
  ${EndIf}
!macroend

Function .onInstSuccess
  ${If} ${RebootFlag}
    SetErrorLevel 3010
  ${EndIf}
FunctionEnd

; Through the shell, so that the agent runs with the rights of the user who is
; logged on, not the installer's elevated ones: elevated, it would not meet the
; read-only machine keys that the user's own logon start meets.
Function StartAgentAsUser
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\kardello.exe"'
FunctionEnd

; Ends a running agent through its tray menu's end command and waits for it to go.
!macro EndRunningAgent
  FindWindow $0 "${PRODUCT}" "${PRODUCT}"
  ${If} $0 <> 0
    SendMessage $0 ${WM_COMMAND} ${ID_MENU_EXIT} 0 /TIMEOUT=5000
    StrCpy $1 0
    ${DoWhile} $1 < 50
      Sleep 200
      FindWindow $0 "${PRODUCT}" "${PRODUCT}"
      ${If} $0 = 0
        ${Break}
      ${EndIf}
      IntOp $1 $1 + 1
    ${Loop}
  ${EndIf}
!macroend

Section "-Fin del agente"
  SetShellVarContext all
  !insertmacro EndRunningAgent
SectionEnd

; The new program is written whole beside the old one, then put in its place. An old
; one still in use (another user's agent) stays as it is until the restart, when
; Windows moves the new one over it. One section per build, and .onInit keeps the
; one that matches the system, so the space asked for is what is installed.
Section "-Programa de 64 bits" SEC_EXE64
  SetOutPath "$INSTDIR"
  File "/oname=${PENDING_EXE}" "${KARDELLO_EXE64}"
SectionEnd

Section "-Programa de 32 bits" SEC_EXE32
  SetOutPath "$INSTDIR"
  File "/oname=${PENDING_EXE}" "${KARDELLO_EXE32}"
SectionEnd

Function .onInit
  !insertmacro NativeRegView
  ${If} ${RunningX64}
    !insertmacro UnselectSection ${SEC_EXE32}
  ${Else}
    !insertmacro UnselectSection ${SEC_EXE64}
  ${EndIf}
FunctionEnd

Section "-Programa"
  SetOutPath "$INSTDIR"
  Delete "$INSTDIR\kardello.exe"
  Rename /REBOOTOK "$INSTDIR\${PENDING_EXE}" "$INSTDIR\kardello.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetRegView 32
  ; The agent will not start without its caption, the name of its semaphore.
  WriteRegStr HKLM "${AGENT_KEY}" "CAPTION" "VARNO Kardello Agente"
  ; First-run defaults, written here because a standard user cannot write this key.
  ; A key that already has PATH1 was filled before and is kept as it is.
  ClearErrors
  ReadRegStr $0 HKLM "${AGENT_KEY}" "PATH1"
  ${If} ${Errors}
    ClearErrors
    ${ForEach} $1 1 5 + 1
      WriteRegStr HKLM "${AGENT_KEY}" "EXE$1" "${NOT_REGISTERED}"
      WriteRegStr HKLM "${AGENT_KEY}" "PATH$1" "${NOT_REGISTERED}"
      WriteRegStr HKLM "${AGENT_KEY}" "APPNAME$1" "${NOT_REGISTERED}"
    ${Next}
  ${EndIf}
  ClearErrors
  ReadRegDWORD $0 HKLM "${AGENT_KEY}" "DirectExec"
  ${If} ${Errors}
    WriteRegDWORD HKLM "${AGENT_KEY}" "DirectExec" 0
  ${EndIf}
  ClearErrors
  !insertmacro NativeRegView

  WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\kardello.exe"'

  CreateDirectory "$SMPROGRAMS\VARNO"
  CreateShortcut "$SMPROGRAMS\VARNO\${PRODUCT}.lnk" "$INSTDIR\kardello.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "VARNO"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kardello.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  ; The list of installed programs shows the size of the build installed, in KB.
  ${If} ${RunningX64}
    SectionGetSize ${SEC_EXE64} $0
  ${Else}
    SectionGetSize ${SEC_EXE32} $0
  ${EndIf}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  !insertmacro NativeRegView
FunctionEnd

Function un.onUninstSuccess
  ${If} ${RebootFlag}
    SetErrorLevel 3010
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  !insertmacro EndRunningAgent

  ; What is still in use goes at the next restart, and the folder with it.
  Delete /REBOOTOK "$INSTDIR\kardello.exe"
  Delete "$INSTDIR\${PENDING_EXE}"
  Delete "$INSTDIR\uninstall.exe"
  ; A folder that is the current one cannot be removed.
  SetOutPath "$TEMP"
  ${If} ${RebootFlag}
    RMDir /REBOOTOK "$INSTDIR"
    RMDir /REBOOTOK "$INSTDIR\.."
  ${Else}
    RMDir "$INSTDIR"
    RMDir "$INSTDIR\.."
  ${EndIf}
  Delete "$SMPROGRAMS\VARNO\${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\VARNO"
  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ; The user's settings stay unless asked for.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    StrCpy $2 1
  ${ElseIf} ${Silent}
    StrCpy $2 0
  ${Else}
    StrCpy $2 0
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
      "¿Desea borrar también los ajustes de ${PRODUCT}?" IDNO keep
    StrCpy $2 1
    keep:
  ${EndIf}
  ${If} $2 = 1
    SetRegView 32
    DeleteRegKey HKLM "${AGENT_KEY}"
    DeleteRegKey /ifempty HKLM "Software\VARNO"
    !insertmacro NativeRegView
  ${EndIf}
SectionEnd
