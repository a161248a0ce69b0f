; A 64-bit program installed for every user, the way NSIS installers register one: its folder,
; an uninstaller, an Add/Remove Programs entry, its own software key, App Paths, a file type
; with a verb and an icon, an "Open with" registration, a class with its program id, a run
; entry, a shared-DLL counter, and shortcuts in the common start menu and on the common desktop.
Unicode true
Target amd64-unicode
Name "Mendrake Bed Machine"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES64\MendrakeBedMachine"
RequestExecutionLevel admin
SilentInstall silent
SetCompressor /SOLID lzma

!define UNINST "Software\Microsoft\Windows\CurrentVersion\Uninstall\MendrakeBedMachine"
!define CLSID "{4D454E44-4245-4400-0000-00000000A001}"

Section
  SetRegView 64
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /oname=bedapp.exe "${PAYLOAD}"
  File /oname=bedext.dll "${PAYLOAD}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINST}" "DisplayName" "Mendrake Bed Machine"
  WriteRegStr HKLM "${UNINST}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINST}" "DisplayIcon" "$INSTDIR\bedapp.exe,0"
  WriteRegStr HKLM "${UNINST}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "Software\MendrakeBedMachine" "Install_Dir" "$INSTDIR"
  WriteRegStr HKLM "Software\MendrakeBedMachine\Options" "Language" "en"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\App Paths\bedapp.exe" "" "$INSTDIR\bedapp.exe"
  WriteRegStr HKLM "Software\Classes\.mdkbed" "" "MendrakeBed.Document"
  WriteRegStr HKLM "Software\Classes\MendrakeBed.Document" "" "Mendrake Bed Document"
  WriteRegStr HKLM "Software\Classes\MendrakeBed.Document\DefaultIcon" "" "$INSTDIR\bedapp.exe,1"
  WriteRegStr HKLM "Software\Classes\MendrakeBed.Document\shell\open\command" "" '"$INSTDIR\bedapp.exe" "%1"'
  WriteRegStr HKLM "Software\Classes\MendrakeBed.Document\CLSID" "" "${CLSID}"
  WriteRegStr HKLM "Software\Classes\CLSID\${CLSID}\InprocServer32" "" "$INSTDIR\bedext.dll"
  WriteRegStr HKLM "Software\Classes\Applications\bedapp.exe\shell\open\command" "" '"$INSTDIR\bedapp.exe" "%1"'
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Run" "MendrakeBedMachine" '"$INSTDIR\bedapp.exe" /tray'
  WriteRegDWORD HKLM "Software\Microsoft\Windows\CurrentVersion\SharedDlls" "$INSTDIR\bedext.dll" 1
  CreateShortcut "$SMPROGRAMS\Mendrake Bed Machine.lnk" "$INSTDIR\bedapp.exe"
  CreateShortcut "$DESKTOP\Mendrake Bed Machine.lnk" "$INSTDIR\bedapp.exe"
SectionEnd

Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  Delete "$SMPROGRAMS\Mendrake Bed Machine.lnk"
  Delete "$DESKTOP\Mendrake Bed Machine.lnk"
  DeleteRegValue HKLM "Software\Microsoft\Windows\CurrentVersion\SharedDlls" "$INSTDIR\bedext.dll"
  DeleteRegValue HKLM "Software\Microsoft\Windows\CurrentVersion\Run" "MendrakeBedMachine"
  DeleteRegKey HKLM "Software\Classes\Applications\bedapp.exe"
  DeleteRegKey HKLM "Software\Classes\CLSID\${CLSID}"
  DeleteRegKey HKLM "Software\Classes\MendrakeBed.Document"
  DeleteRegKey HKLM "Software\Classes\.mdkbed"
  DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\App Paths\bedapp.exe"
  DeleteRegKey HKLM "Software\MendrakeBedMachine"
  DeleteRegKey HKLM "${UNINST}"
  Delete "$INSTDIR\bedapp.exe"
  Delete "$INSTDIR\bedext.dll"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
