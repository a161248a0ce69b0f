; The setup program: a per-machine, 64-bit install into Program Files, with an all-users
; Start-menu shortcut and an Uninstall entry in the 64-bit registry view.
;
; scripts/package.sh passes VERSION (four numbers), STAGE (the folder holding the files to
; install), OUTFILE, and HELPLINK and ABOUTLINK (the pages the installed apps list links to);
; ICON, when given, is the program's icon (the build draws it), shown by the setup program and
; its uninstaller. The shortcut and the installed apps' entry take the icon of mendrake.exe.
;
; A 64-bit setup program cannot start on 32-bit Windows at all: Windows itself refuses it
; ("This app can't run on your PC"), before any check of ours could run.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestSupportedOS all
ManifestDPIAware true
RequestExecutionLevel admin
; A file that cannot be replaced (the program still running) fails the install: it is never
; skipped, which would leave a mixture of two versions reported as a success.
AllowSkipFiles off

!ifndef VERSION
  !error "VERSION must be defined (scripts/package.sh does so)"
!endif
!ifndef STAGE
  !error "STAGE must be defined (scripts/package.sh does so)"
!endif
!ifndef OUTFILE
  !error "OUTFILE must be defined (scripts/package.sh does so)"
!endif
!ifndef HELPLINK
  !error "HELPLINK must be defined (scripts/package.sh does so)"
!endif
!ifndef ABOUTLINK
  !error "ABOUTLINK must be defined (scripts/package.sh does so)"
!endif

!define PRODUCT "Mendrake"
!define PUBLISHER "Kestrava"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The Control Panel caches what it showed of an entry here; left behind, it would be an
; orphaned uninstall-cache entry.
!define ARP_CACHE_KEY "Software\Microsoft\Windows\CurrentVersion\App Management\ARPCache\${PRODUCT}"
!define UNINSTALLER "uninstall.exe"
; Where the Windows Installer package (package/mendrake.wxs) records its copy.
!define MSI_COPY_KEY "Software\${PUBLISHER}\${PRODUCT}"

!include LogicLib.nsh
!include WordFunc.nsh
!include FileFunc.nsh
!include MUI2.nsh

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) ${PUBLISHER}"

Var Upgrading ; "1" when a copy is installed: it is replaced where it is

!define MUI_ABORTWARNING
!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_WELCOMEPAGE_TITLE "Welcome to ${PRODUCT} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "${PRODUCT} finds the registry entries and shortcuts that point at \
programs and files no longer on this computer, and removes the ones you tick, after writing a \
backup that puts them back.$\r$\n$\r$\nIt is installed for all users into Program Files and \
added to the Start menu. Every user's backups and settings stay when it is uninstalled.\
$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipDirectoryOnUpgrade
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\mendrake.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Both the setup program and the uninstaller change the machine: without administrator rights
; (elevation refused, or turned off) they say so and stop.
!macro RequireAdministrator
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} is installed for all users of this computer: \
      please run this program as an administrator." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

Function .onInit
  SetRegView 64
  !insertmacro RequireAdministrator
  StrCpy $Upgrading "0"
  ; The Windows Installer package installs the same files into the same folder under an
  ; Uninstall entry of its own. Two entries for one copy would let either uninstall take the
  ; other's files: the package's copy is left to Windows Installer, and this program stops.
  ReadRegStr $0 HKLM "${MSI_COPY_KEY}" "ProductCode"
  ${If} $0 != ""
    MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} is installed on this computer by its Windows \
      Installer package. Uninstall it from the installed apps (or with msiexec /x $0) first \
      to install this setup program's version." /SD IDOK
    SetErrorLevel 1638 ; ERROR_PRODUCT_VERSION: another copy of this product is installed
    Quit
  ${EndIf}
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $0 != ""
    ; 0: the same version, 2: an older one, both replaced; 1: a newer one is kept.
    ${VersionCompare} $0 "${VERSION}" $1
    ${If} $1 == 1
      MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} $0 is installed, which is newer than this \
        version (${VERSION}). Uninstall it first to install this version." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $1 != ""
      StrCpy $INSTDIR $1
      StrCpy $Upgrading "1"
    ${EndIf}
  ${EndIf}
FunctionEnd

Function SkipDirectoryOnUpgrade
  ${If} $Upgrading == "1"
    Abort
  ${EndIf}
FunctionEnd

Section "${PRODUCT}"
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "${STAGE}\mendrake.exe"
  File "${STAGE}\mendrake-cli.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\mendrake.exe" "" \
    "$INSTDIR\mendrake.exe" 0 SW_SHOWNORMAL "" "Find and remove registry entries left behind"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "${HELPLINK}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${ABOUTLINK}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\mendrake.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  SetRegView 64
  !insertmacro RequireAdministrator
FunctionEnd

; Removes what the setup program put there, file by file: backups and anything else the user
; keeps in the folder stay, and the folder goes only when it is empty. The settings key of each
; user and the backups in each user's own folder are never touched.
Section "Uninstall"
  Delete "$INSTDIR\mendrake.exe"
  Delete "$INSTDIR\mendrake-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${ARP_CACHE_KEY}"
SectionEnd
