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
std::string NamePart(std::string_view path);      // after the last "\" or ":"
std::string FolderPart(std::string_view path);    // up to and including the last "\" or ":"
std::string ExtensionPart(std::string_view path); // from the last dot after the folder part
bool RemoveFile(std::string_view path);
// The entries matching `folder` followed by "*": names and attributes, file-system order.
std::vector<platform::FindEntry> ListFolder(std::string_view folder);

// The program path at the start of a command line (see common_unit.cpp for the rule).
std::string ExtractCommandPath(std::string_view command);
// Whether the program of an unquoted command line exists the way Windows would start it: the
// whole path, or a prefix of it that ends before a blank, as a file, or with ".exe" appended.
bool CommandProgramFound(std::string_view path);

std::string FontsFolder();
std::string ComputerName();

// Upper-cases the letters a to z only.
std::string UpperCase(std::string_view text);
// Removes every character of code 32 or less from both ends.
std::string Trim(std::string_view text);

// While an object of this type lives (one analysis run), each distinct path is tested against
// the file system once, as many registry entries name the same files, and each registry root
// is listed once, as three scanners walk the classes root. Forgotten at the end.
class ExistenceCacheScope {
  public:
    ExistenceCacheScope();
    ~ExistenceCacheScope();
    ExistenceCacheScope(const ExistenceCacheScope&) = delete;
    ExistenceCacheScope& operator=(const ExistenceCacheScope&) = delete;
};

} // namespace mendrake
