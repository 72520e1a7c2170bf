; Varnolt's setup program: one installer for 64-bit and 32-bit Windows.
; makensis -DVERSION=1.2.1.0 -DBIN64=dir -DBIN32=dir -DOUTFILE=setup.exe [-DSIGN_COMMAND=cmd]
;          -DMENU_PACKAGE_NAME=name -DPACKAGED_MENU_KEY=key -DPACKAGED_MENU_VALUE=value
;          [-DMENU_PACKAGE=package.msix] varnolt.nsi
; BIN64 and BIN32 hold Varnolt.exe and varnoltmenu.dll of each architecture. With -DAMD64 the
; same script makes a 64-bit setup program, which 64-bit-only Wine can run in the tests.
; MENU_PACKAGE is the signed identity package of the Windows 11 menu entry; the names after it
; come from the build (cmake/MenuIdentity.cmake), shared with the extension and the package.

!ifndef VERSION | BIN64 | BIN32 | OUTFILE
  !error "VERSION, BIN64, BIN32 and OUTFILE must be defined"
!endif
!ifndef MENU_PACKAGE_NAME | PACKAGED_MENU_KEY | PACKAGED_MENU_VALUE
  !error "MENU_PACKAGE_NAME, PACKAGED_MENU_KEY and PACKAGED_MENU_VALUE must be defined"
!endif

; With -DSIGN_COMMAND=CMD, CMD FILE signs FILE in place: the uninstaller as it is packed, then
; the setup program once written. A failed signature fails the build.
!ifdef SIGN_COMMAND
  !uninstfinalize '${SIGN_COMMAND} "%1"' = 0
  !finalize '${SIGN_COMMAND} "%1"' = 0
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
; The Windows 11 menu: the package as installed, the notes of its registration (the only trace
; a silent setup leaves of them), the line menu-package.ps1 prints once it has succeeded.
!define MENU_MSIX "VarnoltMenu.msix"
!define MENU_LOG "MenuWindows11.log"
!define MENU_OK "VARNOLT-MENU-OK"
!define WINDOWS_11_BUILD 22000
!define MENU_NOT_INSTALLED "Le menu de Windows 11 n'a pas pu être installé : « Broyer avec Varnolt » reste dans « Afficher d'autres options »."

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
!ifdef QUICK_COMPRESSION
; Setup programs made for the tests only (an earlier version, a standard account): their
; binaries carry debug information, which LZMA takes four times as long to pack.
SetCompressor zlib
!else
SetCompressor /SOLID lzma
!endif
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

; Refuses to go on without administrator rights (Program Files, HKLM): a clear message, and a
; silent setup ends with status 740 (ERROR_ELEVATION_REQUIRED). UAC raises the setup program to
; them when it can; a standard account without UAC (or with UAC off) cannot.
!macro RequireAdministrator
  !ifdef TEST_ACCOUNT_TYPE  ; for the test of the refusal: Wine's accounts are all administrators
    StrCpy $0 "${TEST_ACCOUNT_TYPE}"
  !else
    UserInfo::GetAccountType
    Pop $0
  !endif
  ${If} $0 != "Admin"
    MessageBox MB_ICONSTOP "Varnolt ne peut être installé ou désinstallé qu'avec les droits d'administrateur. Relancez ce programme en tant qu'administrateur." /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
!macroend

Function .onInit
  SetShellVarContext all
  !insertmacro RequireAdministrator
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ; An upgrade goes where the earlier installation is, unless /D= says otherwise.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} ${RunningX64}
    ${If} $INSTDIR == ""
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
  !insertmacro RequireAdministrator
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

; Puts the file just unpacked to "$0.new" in place of $0. Windows refuses to overwrite or delete
; a file it holds as a loaded image (the extension in Explorer, a running Varnolt.exe) but lets
; it be renamed: the old file is moved aside to $0.oldN and removed at once, or at the next
; restart while it is held. A file that cannot even be renamed is replaced at the next restart.
Function PutInPlace
  Push $1
  Push $2
  ${IfNot} ${FileExists} "$0"
    Goto move_in
  ${EndIf}
  StrCpy $2 0
  ${Do}
    IntOp $2 $2 + 1
    StrCpy $1 "$0.old$2"
    Delete "$1"  ; an earlier upgrade's, free by now unless it is still held
    ${IfNot} ${FileExists} "$1"
      ClearErrors
      Rename "$0" "$1"
      ${IfNot} ${Errors}
        Delete /REBOOTOK "$1"
        Goto move_in
      ${EndIf}
      ${Break}  ; held without delete sharing: no other name does better
    ${EndIf}
  ${LoopUntil} $2 >= 9
  DetailPrint "$0 est utilisé : il sera remplacé au prochain redémarrage de Windows."
  Rename /REBOOTOK "$0.new" "$0"
  Goto done
move_in:
  ClearErrors
  Rename "$0.new" "$0"
  ${If} ${Errors}
    Delete "$0.new"
    MessageBox MB_ICONSTOP "$0 n'a pas pu être mis en place." /SD IDOK
    Abort
  ${EndIf}
done:
  Pop $2
  Pop $1
FunctionEnd

; The Windows 11 menu package. Functions for the setup program and (UN = "un.") its uninstaller.
!macro MenuPackageFunctions UN
; $R0 = the build number of Windows (0 if unknown). WinVer.nsh (NSIS 3.08) knows no Windows 11;
; the registry holds the build Windows reports, and under Wine the one a test sets.
Function ${UN}WindowsBuild
  ReadRegStr $R0 HKLM "SOFTWARE\Microsoft\Windows NT\CurrentVersion" "CurrentBuildNumber"
  IntOp $R0 $R0 + 0
FunctionEnd

; Runs menu-package.ps1 (unpacked to $PLUGINSDIR) with the arguments $R1 in the 64-bit Windows
; PowerShell: $R0 = 1 when it printed the line ${MENU_OK}, else 0 and $R2 says why.
; Its exit status is not read: Wine's powershell.exe is a stub that does nothing and exits 0.
Function ${UN}RunMenuScript
  Push $R3
  Push $R4
  Push $R5
  !ifdef AMD64
    StrCpy $R3 "$WINDIR\System32\WindowsPowerShell\v1.0\powershell.exe"
  !else
    ; A 32-bit program on 64-bit Windows is shown SysWOW64 as System32: Sysnative is the real one.
    ${If} ${IsWow64}
      StrCpy $R3 "$WINDIR\Sysnative\WindowsPowerShell\v1.0\powershell.exe"
    ${Else}
      StrCpy $R3 "$WINDIR\System32\WindowsPowerShell\v1.0\powershell.exe"
    ${EndIf}
  !endif
  StrCpy $R0 0
  ${IfNot} ${FileExists} "$R3"
    StrCpy $R2 "PowerShell introuvable ($R3)"
    Goto done
  ${EndIf}
  DetailPrint "PowerShell : menu-package.ps1 $R1"
  ; A mark below what nsExec pushes: no output is pushed when the program could not be started.
  Push "varnolt-stack-mark"
  ; The timeout counts from its last output, and the script prints only at its end: a deployment
  ; that hangs does not hold the setup program forever.
  nsExec::ExecToStack /OEM /TIMEOUT=600000 '"$R3" -NoLogo -NoProfile -NonInteractive -ExecutionPolicy Bypass -File "$PLUGINSDIR\menu-package.ps1" $R1'
  Pop $R4  ; the exit status, or "error" / "timeout"
  Pop $R2
  ${If} $R2 S== "varnolt-stack-mark"
    StrCpy $R2 ""
  ${Else}
    Pop $R5
  ${EndIf}
  ${If} $R4 == "error"
  ${OrIf} $R4 == "timeout"
    StrCpy $R2 "PowerShell : $R4 $R2"
    Goto done
  ${EndIf}
  ; A line of its own, exactly the success line (case counts).
  StrLen $R4 "${MENU_OK}"
  StrCpy $R3 0  ; where the current line starts
  ${Do}
    StrCpy $R5 $R2 $R4 $R3
    ${If} $R5 S== "${MENU_OK}"
      IntOp $R5 $R3 + $R4
      StrCpy $R5 $R2 1 $R5
      ${If} $R5 == ""
      ${OrIf} $R5 == "$\r"
      ${OrIf} $R5 == "$\n"
        StrCpy $R0 1
        ${Break}
      ${EndIf}
    ${EndIf}
    ${Do}
      StrCpy $R5 $R2 1 $R3
      ${If} $R5 == ""
        Goto no_success_line
      ${EndIf}
      IntOp $R3 $R3 + 1
    ${LoopUntil} $R5 == "$\n"
  ${Loop}
  Goto done
no_success_line:
  ${Do}  ; its last line break
    StrCpy $R5 $R2 1 -1
    ${If} $R5 != "$\r"
    ${AndIf} $R5 != "$\n"
      ${Break}
    ${EndIf}
    StrCpy $R2 $R2 -1
  ${Loop}
  ${If} $R2 == ""
    StrCpy $R2 "PowerShell n'a rien écrit"
  ${Else}
    StrCpy $R2 "sortie de PowerShell : « $R2 »"
  ${EndIf}
done:
  Pop $R5
  Pop $R4
  Pop $R3
FunctionEnd

; Where the package is not registered, the classic handler must keep its entries for files and
; folders: no record.
Function ${UN}DeleteMenuRecord
  DeleteRegValue HKLM "${PACKAGED_MENU_KEY}" "${PACKAGED_MENU_VALUE}"
  DeleteRegKey /ifempty HKLM "${PACKAGED_MENU_KEY}"
FunctionEnd
!macroend
!ifdef MENU_PACKAGE  ; else unused by the setup program
  !insertmacro MenuPackageFunctions ""
!endif
!insertmacro MenuPackageFunctions "un."

Var MenuLog
!macro MenuNote TEXT
  DetailPrint "${TEXT}"
  FileWriteUTF16LE $MenuLog "${TEXT}$\r$\n"
!macroend

; Installs the package, and on Windows 11 registers it for every user (provisioned) and writes
; the record the classic handler reads. It never fails the installation: where it could not be
; done the classic menu keeps every entry, and a notice says so.
Function RegisterMenuPackage
  Push $R0
  Push $R1
  Push $R2
  FileOpen $MenuLog "$INSTDIR\${MENU_LOG}" w
  FileWriteWord $MenuLog 0xFEFF  ; UTF-16 byte order mark
!ifndef MENU_PACKAGE
  ; Nothing changes: a package an earlier setup registered stays, with its record.
  !insertmacro MenuNote "Ce programme d'installation ne contient pas le paquet du menu de Windows 11 : sous Windows 11, « Broyer avec Varnolt » reste dans « Afficher d'autres options »."
!else
  SetOutPath "$INSTDIR"
  File "/oname=${MENU_MSIX}" "${MENU_PACKAGE}"
  Call WindowsBuild
  ${If} $R0 < ${WINDOWS_11_BUILD}
    Call DeleteMenuRecord
    !insertmacro MenuNote "Windows (build $R0) antérieur à Windows 11 (build ${WINDOWS_11_BUILD}) : le menu de Windows 11 n'est pas installé, le menu contextuel garde toutes les entrées de Varnolt."
  ${Else}
    InitPluginsDir
    File "/oname=$PLUGINSDIR\menu-package.ps1" "${__FILEDIR__}\menu-package.ps1"
    StrCpy $R1 'register "$INSTDIR\${MENU_MSIX}" "${MENU_PACKAGE_NAME}"'
    Call RunMenuScript
    ${If} $R0 = 1
      WriteRegDWORD HKLM "${PACKAGED_MENU_KEY}" "${PACKAGED_MENU_VALUE}" 1
      !insertmacro MenuNote "Le menu de Windows 11 est installé pour tous les utilisateurs (paquet ${MENU_PACKAGE_NAME})."
    ${Else}
      Call DeleteMenuRecord
      !insertmacro MenuNote "Le paquet ${MENU_PACKAGE_NAME} n'a pas été enregistré ($R2)."
      !insertmacro MenuNote "${MENU_NOT_INSTALLED}"
      MessageBox MB_ICONINFORMATION "${MENU_NOT_INSTALLED}" /SD IDOK
    ${EndIf}
  ${EndIf}
!endif
  FileClose $MenuLog
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; Removes the package for every user and deprovisions it, wherever it may be registered (the
; record says so, or the package is installed on Windows 11), then the record. A failure is
; said and does not stop the uninstallation.
Function un.RemoveMenuPackage
  Push $R0
  Push $R1
  Push $R2
  ReadRegDWORD $R0 HKLM "${PACKAGED_MENU_KEY}" "${PACKAGED_MENU_VALUE}"
  StrCpy $R1 $R0
  Call un.WindowsBuild
  ${If} $R1 == 1
  ${OrIf} ${FileExists} "$INSTDIR\${MENU_MSIX}"
    ${If} $R1 == 1
    ${OrIf} $R0 >= ${WINDOWS_11_BUILD}
      InitPluginsDir
      File "/oname=$PLUGINSDIR\menu-package.ps1" "${__FILEDIR__}\menu-package.ps1"
      StrCpy $R1 'remove "${MENU_PACKAGE_NAME}"'
      Call un.RunMenuScript
      ${If} $R0 = 1
        DetailPrint "Le menu de Windows 11 est retiré pour tous les utilisateurs."
      ${Else}
        DetailPrint "Le paquet ${MENU_PACKAGE_NAME} n'a pas été retiré ($R2)."
        MessageBox MB_ICONEXCLAMATION "Le menu de Windows 11 (paquet ${MENU_PACKAGE_NAME}) n'a pas pu être retiré. Retirez-le dans Paramètres > Applications." /SD IDOK
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Call un.DeleteMenuRecord
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

!macro InstallBinary SOURCE TARGET
  File "/oname=${TARGET}.new" "${SOURCE}"
  StrCpy $0 "${TARGET}"
  Call PutInPlace
!macroend

Section "Varnolt"
  StrCpy $R9 0  ; 1 once a registration has failed
  SetOutPath "$INSTDIR"
  ${If} ${RunningX64}
    !insertmacro InstallBinary "${BIN64}\Varnolt.exe" "$INSTDIR\Varnolt.exe"
    !insertmacro InstallBinary "${BIN64}\varnoltmenu.dll" "$INSTDIR\varnoltmenu.dll"
    ; For the file dialogs of 32-bit programs.
    SetOutPath "$INSTDIR\x86"
    !insertmacro InstallBinary "${BIN32}\varnoltmenu.dll" "$INSTDIR\x86\varnoltmenu.dll"
    SetOutPath "$INSTDIR"
  ${Else}
    !insertmacro InstallBinary "${BIN32}\Varnolt.exe" "$INSTDIR\Varnolt.exe"
    !insertmacro InstallBinary "${BIN32}\varnoltmenu.dll" "$INSTDIR\varnoltmenu.dll"
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
    ; A system without its 32-bit part (no SysWOW64\regsvr32.exe) runs no 32-bit Explorer
    ; either: there is nothing to register the 32-bit extension for.
    ${If} ${FileExists} "$WINDIR\SysWOW64\regsvr32.exe"
      StrCpy $0 "$INSTDIR\x86\varnoltmenu.dll"
      StrCpy $2 "$WINDIR\SysWOW64\regsvr32.exe"
      Call RegisterWith
      IfErrors 0 +3
        MessageBox MB_ICONEXCLAMATION "L'extension de l'Explorateur (32 bits) n'a pas pu être enregistrée." /SD IDOK
        StrCpy $R9 1
    ${EndIf}
  ${Else}
    StrCpy $0 "$INSTDIR\varnoltmenu.dll"
    StrCpy $1 ""
    StrCpy $2 "$SYSDIR\regsvr32.exe"
    Call RegisterWith
    IfErrors 0 +3
      MessageBox MB_ICONEXCLAMATION "L'extension de l'Explorateur n'a pas pu être enregistrée." /SD IDOK
      StrCpy $R9 1
  ${EndIf}

  Call RegisterMenuPackage

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
  IfRebootFlag 0 +2
    MessageBox MB_ICONINFORMATION "Varnolt est installé. L'ancienne version, encore utilisée, sera remplacée ou supprimée au prochain redémarrage de Windows." /SD IDOK
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
  ; Before the extension goes: the package's menu entry runs it.
  Call un.RemoveMenuPackage
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
  ; Earlier versions moved aside by an upgrade while they were held go too.
  Delete /REBOOTOK "$INSTDIR\x86\varnoltmenu.dll"
  Delete /REBOOTOK "$INSTDIR\x86\varnoltmenu.dll.old*"
  RMDir /REBOOTOK "$INSTDIR\x86"
  Delete /REBOOTOK "$INSTDIR\varnoltmenu.dll"
  Delete /REBOOTOK "$INSTDIR\varnoltmenu.dll.old*"
  Delete /REBOOTOK "$INSTDIR\Varnolt.exe"
  Delete /REBOOTOK "$INSTDIR\Varnolt.exe.old*"
  Delete "$INSTDIR\${MENU_MSIX}"
  Delete "$INSTDIR\${MENU_LOG}"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  IfRebootFlag 0 +2
    MessageBox MB_ICONINFORMATION "Certains fichiers de Varnolt seront supprimés au prochain redémarrage de Windows." /SD IDOK
SectionEnd
