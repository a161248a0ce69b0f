#include "engine/exclusion_list.h"

#include "engine/ansi_text.h"
#include "platform/platform.h"

#include <array>
#include <utility>

namespace mendrake {

namespace {

struct RootName {
    std::string_view full;
    std::string_view abbreviation;
};
constexpr std::array<RootName, 3> kRootNames = {{
    {"HKEY_CLASSES_ROOT", "HKCR"},
    {"HKEY_CURRENT_USER", "HKCU"},
    {"HKEY_LOCAL_MACHINE", "HKLM"},
}};

// `location` (an entry read by ExclusionLocation) against the issue's place `where`: equal, or
// the part of `where` in front of one of its backslashes.
bool LocationCovers(std::string_view location, std::string_view where) {
    if (location.empty()) {
        return false;
    }
    platform::Platform& os = platform::Os();
    if (where.size() > location.size() && where[location.size()] == '\\' &&
        !IsSecondByte(where, location.size()) &&
        os.EqualTextIgnoreCase(where.substr(0, location.size()), location)) {
        return true;
    }
    return os.EqualTextIgnoreCase(where, location);
}

// The place an issue names: its KeyText (folders of the file categories end in a backslash),
// followed by "\" and the value or file name when there is one.
std::string IssuePlace(std::string_view keyText, std::string_view value) {
    std::string place(WithoutTrailingBackslashes(keyText));
    if (!value.empty()) {
        place += '\\';
        place += value;
    }
    return place;
}

bool AnyLocationCovers(const std::vector<std::string>& locations, std::string_view place) {
    for (const std::string& location : locations) {
        if (LocationCovers(location, place)) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> Locations(const std::vector<std::string>& entries) {
    std::vector<std::string> locations;
    for (const std::string& entry : entries) {
        std::string location = ExclusionLocation(entry);
        if (!location.empty()) {
            locations.push_back(std::move(location));
        }
    }
    return locations;
}

// The list of the run under way, as ExclusionLocation reads its entries.
std::vector<std::string> activeLocations;
std::size_t excludedCount = 0;

} // namespace

std::string ExclusionLocation(std::string_view entry) {
    entry = WithoutTrailingBackslashes(entry);
    for (const RootName& root : kRootNames) {
        const std::string_view head = entry.substr(0, root.full.size());
        const bool rootOnly = entry.size() == root.full.size();
        if (head.size() == root.full.size() && (rootOnly || entry[head.size()] == '\\') &&
            platform::Os().EqualTextIgnoreCase(head, root.full)) {
            return std::string(root.abbreviation) + std::string(entry.substr(head.size()));
        }
    }
    return std::string(entry);
}

bool ExclusionCovers(std::string_view entry, std::string_view keyText, std::string_view value) {
    return LocationCovers(ExclusionLocation(entry), IssuePlace(keyText, value));
}

bool IsExcluded(const std::vector<std::string>& entries, std::string_view keyText,
                std::string_view value) {
    return AnyLocationCovers(Locations(entries), IssuePlace(keyText, value));
}

ExclusionScope::ExclusionScope(const std::vector<std::string>& entries)
    : previous_(std::exchange(activeLocations, Locations(entries))) {
    excludedCount = 0;
}

// The count stays: it belongs to the run that just ended.
ExclusionScope::~ExclusionScope() {
    activeLocations = std::move(previous_);
}

std::size_t ExcludedCount() {
    return excludedCount;
}

bool ExcludeFinding(std::string_view keyText, std::string_view value) {
    if (activeLocations.empty()) {
        return false;
    }
    if (!AnyLocationCovers(activeLocations, IssuePlace(keyText, value))) {
        return false;
    }
    ++excludedCount;
    return true;
}

} // namespace mendrake
