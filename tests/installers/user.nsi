; A 64-bit program installed for the current user only: its folder below the user's local
; application data, its Add/Remove Programs entry, software key and run entry in HKCU, a verb
; and an icon of its own file type among the user's classes, and a start-menu shortcut.
Unicode true
Target amd64-unicode
Name "Mendrake Bed User"
OutFile "${OUT}"
InstallDir "$LOCALAPPDATA\Programs\MendrakeBedUser"
RequestExecutionLevel user
SilentInstall silent
SetCompressor /SOLID lzma

!define UNINST "Software\Microsoft\Windows\CurrentVersion\Uninstall\MendrakeBedUser"

Section
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File /oname=beduser.exe "${PAYLOAD}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "${UNINST}" "DisplayName" "Mendrake Bed User"
  WriteRegStr HKCU "${UNINST}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINST}" "DisplayIcon" "$INSTDIR\beduser.exe"
  WriteRegStr HKCU "Software\MendrakeBedVendor" "Customer" "Bed"
  WriteRegStr HKCU "Software\MendrakeBedVendor\User App" "InstallPath" "$INSTDIR"
  WriteRegStr HKCU "Software\Microsoft\Windows\CurrentVersion\Run" "MendrakeBedUser" '"$INSTDIR\beduser.exe" --minimized'
  WriteRegStr HKCU "Software\Classes\.mdkusr" "" "MendrakeBedUser.File"
  WriteRegStr HKCU "Software\Classes\MendrakeBedUser.File\DefaultIcon" "" "$INSTDIR\beduser.exe,0"
  WriteRegStr HKCU "Software\Classes\MendrakeBedUser.File\shell\open\command" "" '"$INSTDIR\beduser.exe" "%1"'
  CreateShortcut "$SMPROGRAMS\Mendrake Bed User.lnk" "$INSTDIR\beduser.exe"
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\Mendrake Bed User.lnk"
  DeleteRegKey HKCU "Software\Classes\MendrakeBedUser.File"
  DeleteRegKey HKCU "Software\Classes\.mdkusr"
  DeleteRegValue HKCU "Software\Microsoft\Windows\CurrentVersion\Run" "MendrakeBedUser"
  DeleteRegKey HKCU "Software\MendrakeBedVendor"
  DeleteRegKey HKCU "${UNINST}"
  Delete "$INSTDIR\beduser.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
