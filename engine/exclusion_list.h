// Locations the user never wants to see reported again, and the list one analysis run checks
// its findings against.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mendrake {

// An entry as the matching reads it: trailing backslashes dropped, and a leading full root
// name ("HKEY_LOCAL_MACHINE\...", as the registry editor shows keys) in the abbreviation the
// issue list shows ("HKLM\..."). Empty when nothing is left.
std::string ExclusionLocation(std::string_view entry);

// True when `entry` covers the issue location (keyText, value): it names the key or folder
// `keyText`, the value or file `keyText` + "\" + `value`, or a key or folder above either.
// Letter case is compared with the user's locale.
bool ExclusionCovers(std::string_view entry, std::string_view keyText, std::string_view value);
// True when any entry of `entries` covers the location.
bool IsExcluded(const std::vector<std::string>& entries, std::string_view keyText,
                std::string_view value);

// While an object of this type lives (one analysis run), findings that its list covers are
// counted instead of appended to Issues, so the list, the log, the backup and the fix never
// see them. Installing a list starts the run's count afresh.
class ExclusionScope {
  public:
    explicit ExclusionScope(const std::vector<std::string>& entries);
    ~ExclusionScope();
    ExclusionScope(const ExclusionScope&) = delete;
    ExclusionScope& operator=(const ExclusionScope&) = delete;

  private:
    std::vector<std::string> previous_;
};

// How many findings of the last run the installed list kept out of Issues.
std::size_t ExcludedCount();

// For AppendIssue: true, and counted, when the installed list covers the location.
bool ExcludeFinding(std::string_view keyText, std::string_view value);

} // namespace mendrake
