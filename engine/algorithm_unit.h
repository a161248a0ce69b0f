// The scan dispatcher and the scanners it reaches.
#pragma once

#include "engine/analysis_run.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mendrake {

// Runs the scanner of one category identifier to its end as a part of `run`; identifiers
// without a scanner (groups, anything outside 3..16) do nothing.
void RunScanner(std::int32_t category, AnalysisRun& run);

// Category 3 to 5.
void ScanSharedDlls(AnalysisRun& run);
void ScanFileExtensions(AnalysisRun& run);
void ScanClasses(AnalysisRun& run);
// Category 6.
void ScanApplications(AnalysisRun& run);
// Categories 7 and 8.
void ScanFonts(AnalysisRun& run);
void ScanHelpFiles(AnalysisRun& run);
// Categories 9 and 10.
void ScanInstall(AnalysisRun& run);
void ScanRun(AnalysisRun& run);
// Category 11.
void ScanTypeLibraries(AnalysisRun& run);
// Categories 12 to 14.
void ScanMuiCache(AnalysisRun& run);
void ScanStartMenu(AnalysisRun& run);
void ScanDesktop(AnalysisRun& run);
void ScanShellFolder(AnalysisRun& run, const std::string& shellFolderName);
void ScanShortcutFolder(AnalysisRun& run, const std::string& folder,
                        const std::string& shellFolderName);
std::string ResolveShortcut(std::string_view path);
// The four folders those walks read (Start Menu, Common Start Menu, Desktop, Common Desktop),
// as the scan reads them, each that is set, then the Start Menu and Desktop of each of `users`;
// no trailing backslash.
std::vector<std::string> ShortcutFolders(const std::vector<UserScope>& users = {});
// Categories 15 and 16.
void ScanShellExtensions(AnalysisRun& run);
void ScanSoundEvents(AnalysisRun& run);

} // namespace mendrake
