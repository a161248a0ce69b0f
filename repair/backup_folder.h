// Where backups are written and listed: the program's own folder for a copy run from where it
// was unpacked, a folder of the user's own for the copy the setup program installed.
#pragma once

#include <string>

namespace mendrake {

// The Uninstall entry the setup program writes (64-bit view); its InstallLocation names the
// installed copy's folder.
inline constexpr const char* kUninstallEntryKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Mendrake";
// The key the Windows Installer package writes (64-bit view) with the same InstallLocation:
// the Uninstall entry Windows Installer writes for it names no folder.
inline constexpr const char* kPackageCopyKey = "\\Software\\Kestrava\\Mendrake";
// Below the user's local application data folder.
inline constexpr const char* kUserBackupSubfolder = "Kestrava\\Mendrake\\Backups";

// Whether `folder` is the folder the setup program or the Windows Installer package installed
// Mendrake into.
bool IsInstalledFolder(const std::string& folder);
// The folder the fix writes its backups to and the restore lists, ending in "\". It is the
// program's folder when that is not the installed copy's and the user can write there, else
// the user's own backup folder (which may not exist yet).
std::string BackupFolder();
// BackupFolder for a backup about to be written: the user's backup folder is made first, with
// every missing level. A level that cannot be made is left to the write to report.
std::string BackupFolderForWriting();

} // namespace mendrake
