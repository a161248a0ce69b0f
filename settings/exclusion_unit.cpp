#include "settings/exclusion_unit.h"

#include "settings/reg_unit.h"
#include "settings/user_key.h"

#include "engine/common_unit.h"
#include "engine/error.h"
#include "engine/exclusion_list.h"
#include "platform/platform.h"

#include <algorithm>
#include <optional>

namespace mendrake {

namespace {

constexpr const char* kExcludeValue = "exclude";

// The strings of REG_MULTI_SZ data. The list's own end (an empty string) may be missing or
// repeated, and a blank string may sit between entries: such data reads the same as clean data.
// An entry naming the location of an earlier one is dropped; `seen` holds the locations kept.
std::vector<std::string> EntriesOf(std::string_view data, ExclusionMatcher& seen) {
    std::vector<std::string> entries;
    while (!data.empty()) {
        const std::size_t end = std::min(data.find('\0'), data.size());
        std::string entry(data.substr(0, end));
        data.remove_prefix(std::min(end + 1, data.size()));
        if (!Trim(entry).empty() && seen.Add(entry)) {
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

std::vector<std::string> StoredEntries(platform::Hkey key, ExclusionMatcher& seen) {
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
    return EntriesOf(value.data, seen);
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
    ExclusionMatcher seen;
    return StoredEntries(opened.Handle(), seen);
}

std::size_t AddExclusions(const std::vector<std::string>& entries) {
    std::vector<std::string> added;
    for (const std::string& entry : entries) {
        std::optional<std::string> shortForm = ShortExclusionEntry(entry);
        if (!shortForm) {
            throw Error(Trim(ExclusionLocation(entry)).empty() ? "An empty entry cannot be excluded"
                                                               : RefusedEntryMessage(entry));
        }
        added.push_back(std::move(*shortForm));
    }
    UserKey created;
    if (!created.Create(SettingsKey)) {
        throw Error(FormatMessage1("Failed to create key %s", SettingsKey));
    }
    ExclusionMatcher seen;
    std::vector<std::string> stored = StoredEntries(created.Handle(), seen);
    const std::size_t before = stored.size();
    for (std::string& entry : added) {
        if (seen.Add(entry)) {
            stored.push_back(std::move(entry));
        }
    }
    if (stored.size() != before) {
        StoreEntries(created.Handle(), stored);
    }
    return stored.size() - before;
}

bool AddExclusion(const std::string& entry) {
    return AddExclusions({entry}) != 0;
}

bool RemoveExclusion(const std::string& entry) {
    UserKey opened;
    if (!opened.Open(SettingsKey)) {
        return false;
    }
    ExclusionMatcher seen;
    std::vector<std::string> entries = StoredEntries(opened.Handle(), seen);
    const std::u16string location = ExclusionKey(entry);
    const auto removed = std::erase_if(
        entries, [&](const std::string& stored) { return ExclusionKey(stored) == location; });
    if (removed == 0) {
        return false;
    }
    StoreEntries(opened.Handle(), entries);
    return true;
}

} // namespace mendrake
