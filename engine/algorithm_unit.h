// The scan dispatcher and the scanners it reaches.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mendrake {

// Runs the scanner of one category identifier to its end; identifiers without a scanner
// (groups, anything outside 3..16) do nothing.
void RunScanner(std::int32_t category);

// Category 3 to 5.
void ScanSharedDlls();
void ScanFileExtensions();
void ScanClasses();
// Category 6.
void ScanApplications();
// Categories 7 and 8.
void ScanFonts();
void ScanHelpFiles();
// Categories 9 and 10.
void ScanInstall();
void ScanRun();
// Category 11.
void ScanTypeLibraries();
// Categories 12 to 14.
void ScanMuiCache();
void ScanStartMenu();
void ScanDesktop();
void ScanShellFolder(const std::string& shellFolderName);
void ScanShortcutFolder(const std::string& folder, const std::string& shellFolderName);
std::string ResolveShortcut(std::string_view path);
// The four folders those walks read (Start Menu, Common Start Menu, Desktop, Common Desktop),
// as the scan reads them, each that is set; no trailing backslash.
std::vector<std::string> ShortcutFolders();
// Categories 15 and 16.
void ScanShellExtensions();
void ScanSoundEvents();

} // namespace mendrake
