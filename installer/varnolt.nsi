; Varnolt's setup program: one installer for 64-bit and 32-bit Windows.
; makensis -DVERSION=1.2.1.0 -DBIN64=dir -DBIN32=dir -DOUTFILE=setup.exe varnolt.nsi
; BIN64 and BIN32 hold Varnolt.exe and varnoltmenu.dll of each architecture. With -DAMD64 the
; same script makes a 64-bit setup program, which 64-bit-only Wine can run in the tests.

!ifndef VERSION | BIN64 | BIN32 | OUTFILE
  !error "VERSION, BIN64, BIN32 and OUTFILE must be defined"
!endif

!ifdef AMD64
  Target amd64-unicode
!else
  Unicode true
!endif

; LogicLib leaves unused labels behind in every ${If} ... ${OrIf}.
!pragma warning disable 6012

!include "MUI2.nsh"
!include "x64.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Varnolt"
!define APP_PATHS "Software\Microsoft\Windows\CurrentVersion\App Paths\Varnolt.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnolt"
!define APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved"
!define CLSID "{6D1B2E94-7C3A-4F58-9E21-B04C7A5D3F16}"
!define LIBID "{A3C58F02-1E6B-4D97-8B34-5F20C9E7D1A8}"
!define IID "{4F9D0B7E-A2C1-4E65-B8F3-917D6A2C05E4}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
; Program Files of the system's bitness, set in .onInit unless /D= gives another folder.
InstallDir ""

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1036 "ProductName" "Varnolt"
VIAddVersionKey /LANG=1036 "CompanyName" "Varnolt"
VIAddVersionKey /LANG=1036 "FileDescription" "Installation de Varnolt"
VIAddVersionKey /LANG=1036 "LegalCopyright" "Copyright (C) 2026 Varnolt"
VIAddVersionKey /LANG=1036 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "ProductVersion" "${VERSION}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "French"

Function .onInit
  SetShellVarContext all
  ${If} ${RunningX64}
    SetRegView 64
    ${If} $INSTDIR == ""  ; not given with /D=
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${EndIf}
  ${Else}
    !ifdef AMD64
      MessageBox MB_ICONSTOP "Ce programme d'installation demande une version 64 bits de Windows." /SD IDOK
      Abort
    !endif
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$PROGRAMFILES\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext all
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

; Registers ($1 = "") or unregisters ($1 = "/u ") the extension at $0 with regsvr32 $2.
; DllRegisterServer only answers through regsvr32's exit code.
Function RegisterWith
  DetailPrint "regsvr32 $1$0"
  ClearErrors
  ExecWait '"$2" /s $1"$0"' $3
  ${If} ${Errors}
  ${OrIf} $3 != 0
    DetailPrint "Échec de regsvr32 ($3) pour $0"
    SetErrors
  ${EndIf}
FunctionEnd
Function un.RegisterWith
  DetailPrint "regsvr32 $1$0"
  ExecWait '"$2" /s $1"$0"' $3
  ${If} $3 != 0
    DetailPrint "Échec de regsvr32 ($3) pour $0"
  ${EndIf}
FunctionEnd

Section "Varnolt"
  StrCpy $R9 0  ; 1 once a registration has failed
  SetOutPath "$INSTDIR"
  ${If} ${RunningX64}
    File "${BIN64}\Varnolt.exe"
    File "${BIN64}\varnoltmenu.dll"
    ; For the file dialogs of 32-bit programs.
    SetOutPath "$INSTDIR\x86"
    File "${BIN32}\varnoltmenu.dll"
    SetOutPath "$INSTDIR"
  ${Else}
    File "${BIN32}\Varnolt.exe"
    File "${BIN32}\varnoltmenu.dll"
  ${EndIf}
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; The extension finds the program here; each bitness reads its own registry view.
  WriteRegStr HKLM "${APP_PATHS}" "" "$INSTDIR\Varnolt.exe"
  ${If} ${RunningX64}
    SetRegView 32
    WriteRegStr HKLM "${APP_PATHS}" "" "$INSTDIR\Varnolt.exe"
    SetRegView 64
  ${EndIf}

  ; RegDLL cannot load a 64-bit DLL from a 32-bit installer: the system's own regsvr32 does it.
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
    StrCpy $0 "$INSTDIR\varnoltmenu.dll"
    StrCpy $1 ""
    StrCpy $2 "$WINDIR\System32\regsvr32.exe"
    Call RegisterWith
    ${EnableX64FSRedirection}
    IfErrors 0 +3
      MessageBox MB_ICONEXCLAMATION "L'extension de l'Explorateur (64 bits) n'a pas pu être enregistrée." /SD IDOK
      StrCpy $R9 1
    StrCpy $0 "$INSTDIR\x86\varnoltmenu.dll"
    StrCpy $2 "$WINDIR\SysWOW64\regsvr32.exe"
    Call RegisterWith
    IfErrors 0 +3
      MessageBox MB_ICONEXCLAMATION "L'extension de l'Explorateur (32 bits) n'a pas pu être enregistrée." /SD IDOK
      StrCpy $R9 1
  ${Else}
    StrCpy $0 "$INSTDIR\varnoltmenu.dll"
    StrCpy $1 ""
    StrCpy $2 "$SYSDIR\regsvr32.exe"
    Call RegisterWith
    IfErrors 0 +3
      MessageBox MB_ICONEXCLAMATION "L'extension de l'Explorateur n'a pas pu être enregistrée." /SD IDOK
      StrCpy $R9 1
  ${EndIf}

  CreateShortcut "$SMPROGRAMS\Varnolt.lnk" "$INSTDIR\Varnolt.exe" "-i" "$INSTDIR\Varnolt.exe" 0 \
    SW_SHOWNORMAL "" "Comment utiliser Varnolt depuis l'Explorateur"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Varnolt"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Varnolt"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Varnolt.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  SectionGetSize 0 $0  ; in KiB, as Add/Remove Programs expects
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; The files stay (running the setup again retries, the uninstaller removes them), but an
  ; installation without its menu entry is no success, also for a silent one: exit status 2.
  ${If} $R9 != 0
    SetErrorLevel 2
  ${EndIf}
SectionEnd

; Removes every key and value the extension's registration writes, in the current registry view.
; regsvr32 /u cannot do it when the DLL is missing or will not load; shared parents stay.
Function un.RemoveRegistration
  DeleteRegValue HKLM "${APPROVED_KEY}" "${CLSID}"
  DeleteRegKey HKLM "Software\Classes\Varnoltmenu.FileShredderShlExt.1"
  DeleteRegKey HKLM "Software\Classes\Varnoltmenu.FileShredderShlExt"
  DeleteRegKey HKLM "Software\Classes\CLSID\${CLSID}"
  DeleteRegKey HKLM "Software\Classes\TypeLib\${LIBID}"
  DeleteRegKey HKLM "Software\Classes\Interface\${IID}"
  DeleteRegKey HKLM "Software\Classes\*\ShellEx\ContextMenuHandlers\FileShredderShlExt"
  DeleteRegKey HKLM "Software\Classes\Directory\ShellEx\ContextMenuHandlers\FileShredderShlExt"
  DeleteRegKey HKLM "Software\Classes\Drive\ShellEx\ContextMenuHandlers\FileShredderShlExt"
FunctionEnd

Section "Uninstall"
  StrCpy $1 "/u "
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
    StrCpy $0 "$INSTDIR\varnoltmenu.dll"
    StrCpy $2 "$WINDIR\System32\regsvr32.exe"
    Call un.RegisterWith
    ${EnableX64FSRedirection}
    StrCpy $0 "$INSTDIR\x86\varnoltmenu.dll"
    StrCpy $2 "$WINDIR\SysWOW64\regsvr32.exe"
    Call un.RegisterWith
    SetRegView 32
    Call un.RemoveRegistration
    DeleteRegKey HKLM "${APP_PATHS}"
    SetRegView 64
  ${Else}
    StrCpy $0 "$INSTDIR\varnoltmenu.dll"
    StrCpy $2 "$SYSDIR\regsvr32.exe"
    Call un.RegisterWith
  ${EndIf}
  Call un.RemoveRegistration
  DeleteRegKey HKLM "${APP_PATHS}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  Delete "$SMPROGRAMS\Varnolt.lnk"
  ; Explorer may still hold an extension: then it goes at the next restart.
  Delete /REBOOTOK "$INSTDIR\x86\varnoltmenu.dll"
  RMDir /REBOOTOK "$INSTDIR\x86"
  Delete /REBOOTOK "$INSTDIR\varnoltmenu.dll"
  Delete "$INSTDIR\Varnolt.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  IfRebootFlag 0 +2
    MessageBox MB_ICONINFORMATION "Certains fichiers de Varnolt seront supprimés au prochain redémarrage de Windows." /SD IDOK
SectionEnd
