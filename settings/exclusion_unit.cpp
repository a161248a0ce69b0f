#include "settings/exclusion_unit.h"

#include "settings/reg_unit.h"
#include "settings/user_key.h"

#include "engine/common_unit.h"
#include "engine/error.h"
#include "engine/exclusion_list.h"
#include "platform/platform.h"

#include <algorithm>

namespace mendrake {

namespace {

constexpr const char* kExcludeValue = "exclude";

bool SameLocation(const std::string& a, const std::string& b) {
    return platform::Os().EqualTextIgnoreCase(ExclusionLocation(a), ExclusionLocation(b));
}

bool IsBlank(const std::string& entry) {
    return Trim(ExclusionLocation(entry)).empty();
}

// The strings of REG_MULTI_SZ data. The list's own end (an empty string) may be missing or
// repeated, and a blank string may sit between entries: such data reads the same as clean data.
std::vector<std::string> EntriesOf(std::string_view data) {
    std::vector<std::string> entries;
    while (!data.empty()) {
        const std::size_t end = std::min(data.find('\0'), data.size());
        std::string entry(data.substr(0, end));
        data.remove_prefix(std::min(end + 1, data.size()));
        const bool repeated = std::any_of(entries.begin(), entries.end(), [&](const auto& kept) {
            return SameLocation(kept, entry);
        });
        if (!IsBlank(entry) && !repeated) {
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

std::vector<std::string> StoredEntries(platform::Hkey key) {
    platform::RegValue value;
    const long status = platform::Os().QueryValue(key, kExcludeValue, value);
    if (status == platform::kFileNotFound) {
        return {};
    }
    if (status != platform::kSuccess) {
        throw Error(FormatMessage1("Failed to get data for '%s'", kExcludeValue));
    }
    if (value.type != platform::kRegMultiSz) {
        throw Error(FormatMessage1("Invalid data type for '%s'", kExcludeValue));
    }
    return EntriesOf(value.data);
}

// Writes the list, or deletes the value when the list is empty: no value is the empty list.
void StoreEntries(platform::Hkey key, const std::vector<std::string>& entries) {
    platform::Platform& os = platform::Os();
    if (entries.empty()) {
        const long status = os.DeleteValue(key, kExcludeValue);
        if (status != platform::kSuccess && status != platform::kFileNotFound) {
            throw Error(FormatMessage1("Failed to delete '%s'", kExcludeValue));
        }
        return;
    }
    std::string data;
    for (const std::string& entry : entries) {
        data += entry;
        data += '\0';
    }
    data += '\0';
    if (os.SetValue(key, kExcludeValue, platform::kRegMultiSz, data) != platform::kSuccess) {
        throw Error(FormatMessage1("Failed to set data for '%s'", kExcludeValue));
    }
}

} // namespace

std::vector<std::string> Exclusions() {
    UserKey opened;
    if (!opened.Open(SettingsKey)) {
        return {};
    }
    return StoredEntries(opened.Handle());
}

bool AddExclusion(const std::string& entry) {
    if (IsBlank(entry)) {
        throw Error("An empty entry cannot be excluded");
    }
    UserKey created;
    if (!created.Create(SettingsKey)) {
        throw Error(FormatMessage1("Failed to create key %s", SettingsKey));
    }
    std::vector<std::string> entries = StoredEntries(created.Handle());
    for (const std::string& stored : entries) {
        if (SameLocation(stored, entry)) {
            return false;
        }
    }
    entries.push_back(entry);
    StoreEntries(created.Handle(), entries);
    return true;
}

bool RemoveExclusion(const std::string& entry) {
    UserKey opened;
    if (!opened.Open(SettingsKey)) {
        return false;
    }
    std::vector<std::string> entries = StoredEntries(opened.Handle());
    const auto removed = std::erase_if(
        entries, [&](const std::string& stored) { return SameLocation(stored, entry); });
    if (removed == 0) {
        return false;
    }
    StoreEntries(opened.Handle(), entries);
    return true;
}

} // namespace mendrake
