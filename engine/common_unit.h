// File-system tests and the text routines shared by the scanners and the log.
#pragma once

#include "platform/platform.h"

#include <string>
#include <string_view>
#include <vector>

namespace mendrake {

// True when a search for the path finds an entry that is not a folder. The path is used as
// given: no quotes removed, no environment references expanded, wildcards match as patterns.
bool FileFound(std::string_view path);
// True when the path exists and is a folder.
bool FolderFound(std::string_view path);

// "C:" for "C:\x", "\\server\share" for "\\server\share\x", else empty.
std::string DrivePart(std::string_view path);
// Whether the volume that holds `path` answers, so that what is or is not there can be judged:
// true for a path without a drive part (it lies on the current drive); otherwise the answer of
// its root ("Q:\" or "\\server\share\"), asked once per root while an ExistenceCacheScope
// lives. An entry on a drive that is not plugged in or a share that is offline is not gone.
bool VolumeReachable(std::string_view path);
std::string NamePart(std::string_view path);      // after the last "\" or ":"
std::string FolderPart(std::string_view path);    // up to and including the last "\" or ":"
std::string ExtensionPart(std::string_view path); // from the last dot after the folder part
bool RemoveFile(std::string_view path);
// The entries matching `folder` followed by "*": names and attributes, file-system order.
std::vector<platform::FindEntry> ListFolder(std::string_view folder);

// The program path at the start of a command line (see common_unit.cpp for the rule).
std::string ExtractCommandPath(std::string_view command);
// Whether Windows would find a program to start for a command's path, by the rule of
// CreateProcess: a quoted path is the program's name as it stands; an unquoted one is tried at
// each blank, the shortest prefix first, then whole. A name without an extension is tried with
// ".exe" appended, never as it is.
bool CommandProgramFound(std::string_view path, bool quoted);

std::string FontsFolder();
std::string ComputerName();

// Upper-cases the letters a to z only.
std::string UpperCase(std::string_view text);
// Removes every character of code 32 or less from both ends.
std::string Trim(std::string_view text);

// While an object of this type lives (one analysis run), each distinct path is tested against
// the file system once, as many registry entries name the same files, and each registry root
// is listed once, as three scanners walk the classes root; the candidates for dependent
// findings are kept (engine/dependent_findings.h). Forgotten at the end.
class ExistenceCacheScope {
  public:
    ExistenceCacheScope();
    ~ExistenceCacheScope();
    ExistenceCacheScope(const ExistenceCacheScope&) = delete;
    ExistenceCacheScope& operator=(const ExistenceCacheScope&) = delete;
};

} // namespace mendrake
