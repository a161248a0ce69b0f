#include "repair/backup_list.h"

#include "engine/ansi_text.h"
#include "engine/common_unit.h"
#include "platform/platform.h"
#include "repair/restore.h"

#include <algorithm>
#include <exception>
#include <set>
#include <tuple>

namespace mendrake {

namespace {

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The sequence number of a backup's name: 1 for "yyyymmddhhnnss_backup.reg", N for
// "yyyymmddhhnnss_N_backup.reg".
unsigned long Sequence(const std::string& fileName) {
    const std::size_t end = fileName.size() - std::string_view("_backup.reg").size();
    return end > 15 ? std::stoul(fileName.substr(15, end - 15)) : 1;
}

void Count(const BackupContents& contents, BackupEntry& entry) {
    std::set<std::string> keys, values;
    for (const RegScriptKey& key : contents.script.keys) {
        if (key.remove) {
            continue;
        }
        const std::string name = UpperCase(ScriptKeyName(key));
        keys.insert(name);
        for (const RegScriptValue& value : key.values) {
            if (!value.remove) {
                values.insert(name + '\n' + UpperCase(value.name));
            }
        }
    }
    entry.keys = keys.size();
    entry.values = values.size();
    entry.files = contents.files.size();
    entry.filesProblem = contents.filesProblem;
}

} // namespace

std::string BackupTime(const std::string& fileName) {
    constexpr std::string_view kEnd = "_BACKUP.REG";
    const std::string upper = UpperCase(fileName);
    if (upper.size() < 14 + kEnd.size() ||
        upper.compare(upper.size() - kEnd.size(), kEnd.size(), kEnd) != 0 ||
        !AllDigits(std::string_view(fileName).substr(0, 14))) {
        return {};
    }
    const std::string_view middle =
        std::string_view(fileName).substr(14, fileName.size() - 14 - kEnd.size());
    if (!middle.empty() &&
        (middle.front() != '_' || !AllDigits(middle.substr(1)) || middle.size() > 10)) {
        return {};
    }
    return fileName.substr(0, 4) + "-" + fileName.substr(4, 2) + "-" + fileName.substr(6, 2) + " " +
           fileName.substr(8, 2) + ":" + fileName.substr(10, 2) + ":" + fileName.substr(12, 2);
}

std::vector<BackupEntry> FindBackups(const std::string& folder) {
    std::string prefix = folder;
    if (!prefix.empty() && WithoutTrailingSeparators(prefix).size() == prefix.size()) {
        prefix += '\\';
    }
    struct Found {
        std::string name;
        BackupEntry entry;
    };
    std::vector<Found> found;
    for (const platform::FindEntry& file : platform::Os().ListFolder(prefix + "*_backup.reg")) {
        if ((file.attributes & platform::kAttrDirectory) != 0) {
            continue;
        }
        BackupEntry entry;
        entry.when = BackupTime(file.name);
        if (entry.when.empty()) {
            continue;
        }
        entry.path = prefix + file.name;
        found.push_back({file.name, std::move(entry)});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return std::make_tuple(a.name.substr(0, 14), Sequence(a.name)) >
               std::make_tuple(b.name.substr(0, 14), Sequence(b.name));
    });
    std::vector<BackupEntry> entries;
    for (Found& f : found) {
        entries.push_back(std::move(f.entry));
    }
    return entries;
}

void CountBackup(BackupEntry& entry) {
    try {
        Count(ReadBackup(entry.path), entry);
    } catch (const std::exception& e) {
        entry.problem = e.what();
    }
}

std::vector<BackupEntry> ListBackups(const std::string& folder) {
    std::vector<BackupEntry> entries = FindBackups(folder);
    for (BackupEntry& entry : entries) {
        CountBackup(entry);
    }
    return entries;
}

} // namespace mendrake
