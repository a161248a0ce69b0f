#include "repair/restore.h"

#include "engine/algorithm_unit.h"
#include "engine/ansi_text.h"
#include "engine/common_unit.h"
#include "engine/error.h"
#include "engine/registry_access.h"
#include "platform/platform.h"
#include "engine/user_profiles.h"
#include "repair/regexport_unit.h"
#include "repair/restore_plan.h"

#include <algorithm>
#include <map>
#include <optional>
#include <tuple>
#include <utility>

namespace mendrake {

namespace {

using platform::Hkey;

// KEY_READ: reading back needs no more, and a key the user may only read still reads back.
constexpr std::uint32_t kKeyRead = 0x20019;
// One key name is at most 255 characters; a longer path may be too long for one ANSI call.
constexpr std::size_t kLongestKeyName = 255;

// An open key handle, closed when it goes (the predefined roots are never closed).
class OpenedKey {
  public:
    OpenedKey() = default;
    explicit OpenedKey(Hkey key) : key_(key) {}
    ~OpenedKey() { Reset(); }
    OpenedKey(OpenedKey&& other) noexcept : key_(std::exchange(other.key_, 0)) {}
    OpenedKey& operator=(OpenedKey&& other) noexcept {
        if (this != &other) {
            Reset();
            key_ = std::exchange(other.key_, 0);
        }
        return *this;
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    Hkey get() const { return key_; }
    explicit operator bool() const { return key_ != 0; }

  private:
    void Reset() {
        if (key_ != 0 && key_ < 0x80000000u) {
            platform::Os().CloseKey(key_);
        }
        key_ = 0;
    }
    Hkey key_ = 0;
};

std::vector<std::string> KeyNames(const std::string& path) {
    std::vector<std::string> names;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = FindCharacter(path, "\\", start);
        end = end == std::string::npos ? path.size() : end;
        names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// Opens (`create` false, read access) or creates the key at `path` below `root`: in one call,
// or one name at a time when the whole path is longer than the ANSI functions take (the export
// reads such keys the same way). The error of the failing call, 0 when it opened.
long OpenPath(std::uint32_t root, const std::string& path, bool create, OpenedKey& result) {
    platform::Platform& os = platform::Os();
    auto step = [&](Hkey parent, const std::string& name, Hkey& key) {
        return create ? os.CreateKey(parent, name, key) : os.OpenKey(parent, name, kKeyRead, key);
    };
    Hkey key = 0;
    long status = step(root, path, key);
    if (status == platform::kSuccess) {
        result = OpenedKey(key);
        return status;
    }
    if (path.size() <= kLongestKeyName) {
        return status;
    }
    OpenedKey current(root);
    for (const std::string& name : KeyNames(path)) {
        if ((status = step(current.get(), name, key)) != platform::kSuccess) {
            return status;
        }
        current = OpenedKey(key);
    }
    result = std::move(current);
    return platform::kSuccess;
}

std::string Reason(long status) {
    return platform::Os().ErrorText(static_cast<std::uint32_t>(status));
}

bool SameValue(const platform::RegValue& a, const platform::RegValue& b) {
    return !a.lossy && !b.lossy && a.type == b.type && a.data == b.data;
}

// Writes the plan into the registry and reads it back. Without `overwrite`, nothing that is
// there is replaced or deleted: a value that is absent is written, one that holds the backup's
// type and bytes is already restored, and one that holds anything else changed since the
// backup (a program reinstalled, a setting made again) and is left as it is and reported. With
// `overwrite` the script is carried out as it stands, in its order.
class ScriptWriter {
  public:
    ScriptWriter(RestorePlan& plan, RestoreResult& result) : plan_(plan), result_(result) {}

    void WriteKeepingNewer() {
        for (PlannedDeletion* deletion : plan_.Deletions()) {
            DeleteIfUnchanged(*deletion);
        }
        for (PlannedKey* key : plan_.Keys()) {
            WriteMissing(*key);
        }
    }

    void WriteOver(const RegScript& script) {
        for (const RegScriptKey& key : script.keys) {
            if (key.lossy) {
                continue; // reported by the plan
            }
            if (key.remove) {
                RegistryAccess reg;
                reg.SetRoot(key.root);
                if (OpenKeyPath(reg, key.path)) {
                    reg.RemoveOpenKey();
                }
            } else {
                OverwriteKey(key);
            }
        }
    }

    void Verify() {
        for (PlannedDeletion* deletion : plan_.Deletions()) {
            if (!deletion->settled && !plan_.WritesAtOrBelow(deletion->root, deletion->path)) {
                OpenedKey opened;
                if (OpenPath(deletion->root, deletion->path, false, opened) == platform::kSuccess) {
                    Fail(deletion->label, "is still there after deleting");
                }
            }
        }
        for (PlannedKey* key : plan_.Keys()) {
            if (!key->settled) {
                VerifyKey(*key);
            }
        }
    }

  private:
    void Fail(const std::string& entry, const std::string& reason) {
        result_.failures.push_back(entry + ": " + reason);
    }
    void Conflict(const std::string& location, bool key,
                  std::optional<platform::RegValue> now = std::nullopt,
                  std::optional<platform::RegValue> backup = std::nullopt) {
        ++result_.conflicts;
        result_.failures.push_back("Not restored: " + location + ": changed since the backup");
        result_.changed.push_back(
            {location, result_.failures.back(), key, std::move(now), std::move(backup)});
    }

    // Whether the key at `path` holds anything the plan does not write: a value or a subkey
    // it does not name (values it names with other data are its own conflicts). What cannot
    // be listed or read counts as such.
    bool HoldsOthers(std::uint32_t root, const std::string& path, int depth) {
        constexpr int kDeepest = 512; // the registry's own nesting limit
        RegistryAccess reg;
        reg.SetRoot(root);
        reg.SetAccess(platform::kKeyRead);
        if (depth > kDeepest || !OpenKeyPath(reg, path)) {
            return true;
        }
        const KeyListing values = reg.ValueListing();
        if (!values.Complete()) {
            return true;
        }
        for (const KeyListing::Entry& value : values.entries) {
            if (value.lossy || plan_.FindValue(root, path, value.name) == nullptr) {
                return true;
            }
        }
        const KeyListing subkeys = reg.SubkeyListing();
        if (!subkeys.Complete()) {
            return true;
        }
        for (const KeyListing::Entry& subkey : subkeys.entries) {
            const std::string below = path + "\\" + subkey.name;
            if (subkey.lossy || !plan_.WritesAtOrBelow(root, below) ||
                HoldsOthers(root, below, depth + 1)) {
                return true;
            }
        }
        return false;
    }

    // A key the backup deletes goes only when it holds nothing the backup does not write back:
    // then, written back, it holds what it held. When the backup writes it again, deleting it
    // first changes nothing, so it stays and the writes that follow fill in what is missing.
    void DeleteIfUnchanged(PlannedDeletion& deletion) {
        OpenedKey opened;
        if (OpenPath(deletion.root, deletion.path, false, opened) != platform::kSuccess) {
            return; // gone already (or unreadable: the read-back says so)
        }
        opened = OpenedKey();
        if (HoldsOthers(deletion.root, deletion.path, 0)) {
            deletion.settled = true;
            Conflict(deletion.location, true);
        } else if (!plan_.WritesAtOrBelow(deletion.root, deletion.path)) {
            RegistryAccess reg; // an empty key
            reg.SetRoot(deletion.root);
            if (OpenKeyPath(reg, deletion.path)) {
                reg.RemoveOpenKey();
            }
        }
    }

    void WriteMissing(PlannedKey& key) {
        platform::Platform& os = platform::Os();
        OpenedKey opened;
        const bool exists = OpenPath(key.root, key.path, false, opened) == platform::kSuccess;
        std::vector<PlannedValue*> missing;
        for (PlannedValue& value : key.values) {
            if (value.settled) {
                continue;
            }
            platform::RegValue now;
            const long status =
                exists ? os.QueryValue(opened.get(), value.name, now) : platform::kFileNotFound;
            if (status == platform::kFileNotFound) {
                if (value.present) {
                    missing.push_back(&value);
                }
            } else if (status != platform::kSuccess) {
                value.settled = true;
                Fail(value.label, "cannot be read: " + Reason(status));
            } else if (!value.present || !SameValue(now, value.value)) {
                value.settled = true;
                Conflict(value.location, false, now,
                         value.present ? std::optional(value.value) : std::nullopt);
            }
        }
        if (exists && missing.empty()) {
            return;
        }
        opened = OpenedKey();
        if (const long status = OpenPath(key.root, key.path, true, opened);
            status != platform::kSuccess) {
            key.settled = true;
            for (PlannedValue* value : missing) {
                value->settled = true;
            }
            Fail(key.label, "cannot be created or opened for writing: " + Reason(status) +
                                (missing.empty() ? ""
                                                 : " Its " + std::to_string(missing.size()) +
                                                       " values were not written."));
            return;
        }
        for (PlannedValue* value : missing) {
            WriteValue(opened, *value, value->value);
        }
    }

    void WriteValue(const OpenedKey& opened, PlannedValue& planned,
                    const platform::RegValue& value) {
        if (const long status =
                platform::Os().SetValue(opened.get(), planned.name, value.type, value.data);
            status != platform::kSuccess) {
            planned.settled = true;
            Fail(planned.label, "cannot be written: " + Reason(status));
        }
    }

    void OverwriteKey(const RegScriptKey& key) {
        PlannedKey* planned = plan_.FindKey(key.root, key.path);
        OpenedKey opened;
        if (const long status = OpenPath(key.root, key.path, true, opened);
            status != platform::kSuccess) {
            if (planned != nullptr && !planned->settled) {
                planned->settled = true;
                for (PlannedValue& value : planned->values) {
                    value.settled = true;
                }
                Fail(ScriptKeyName(key),
                     "cannot be created or opened for writing: " + Reason(status) +
                         (key.values.empty() ? ""
                                             : " Its " + std::to_string(key.values.size()) +
                                                   " values were not written."));
            }
            return;
        }
        for (const RegScriptValue& value : key.values) {
            PlannedValue* target = plan_.FindValue(key.root, key.path, value.name);
            if (value.lossy || !value.hasData || target == nullptr) {
                continue; // reported by the plan, or not the script's last word
            }
            if (value.remove) {
                platform::Os().DeleteValue(opened.get(), value.name);
            } else {
                WriteValue(opened, *target, {value.type, value.data, false});
            }
        }
    }

    void VerifyKey(PlannedKey& key) {
        OpenedKey opened;
        const long status = OpenPath(key.root, key.path, false, opened);
        if (status != platform::kSuccess) {
            Fail(key.label, "is missing after writing: " + Reason(status));
            return;
        }
        ++result_.keys;
        for (const PlannedValue& value : key.values) {
            if (value.settled) {
                continue;
            }
            platform::RegValue read;
            const long queried = platform::Os().QueryValue(opened.get(), value.name, read);
            if (!value.present) {
                if (queried == platform::kSuccess) {
                    Fail(value.label, "is still there after deleting");
                }
            } else if (queried != platform::kSuccess) {
                Fail(value.label, "does not read back: " + Reason(queried));
            } else if (!SameValue(read, value.value)) {
                Fail(value.label, "reads back differently (type " + std::to_string(read.type) +
                                      ", " + std::to_string(read.data.size()) +
                                      " bytes, instead of type " +
                                      std::to_string(value.value.type) + ", " +
                                      std::to_string(value.value.data.size()) + " bytes)");
            } else {
                ++result_.values;
            }
        }
    }

    RestorePlan& plan_;
    RestoreResult& result_;
};

// Makes every missing folder of `folder` (ending in a backslash), from the top down.
void MakeFolders(const std::string& folder) {
    platform::Platform& os = platform::Os();
    for (std::size_t cut = FindCharacter(folder, "\\/"); cut != std::string::npos;
         cut = FindCharacter(folder, "\\/", cut + 1)) {
        const std::string part = folder.substr(0, cut);
        if (!part.empty() && part.back() != ':' &&
            os.FileAttributes(part) == platform::kInvalidAttributes) {
            os.CreateFolder(part);
        }
    }
}

// The profiles a backup writes into: those whose hive it names (HKEY_USERS\<SID>, or the
// user's classes <SID>_Classes) and those whose folder holds a file it puts back, so that each
// hive is readable for the restore and each user's Start Menu and Desktop are known. None for a
// backup of the running account and the machine alone, which reads no profile list.
std::vector<Profile> ProfilesNamedIn(const BackupContents& contents) {
    std::vector<std::string> sids;
    for (const RegScriptKey& key : contents.script.keys) {
        if (key.root != platform::kUsers) {
            continue;
        }
        std::string sid = key.path.substr(0, FindCharacter(key.path, "\\"));
        constexpr std::string_view classes = "_CLASSES";
        if (sid.size() > classes.size() && UpperCase(sid).ends_with(classes)) {
            sid.resize(sid.size() - classes.size());
        }
        sids.push_back(UpperCase(sid));
    }
    if (sids.empty() && contents.files.empty()) {
        return {};
    }
    std::vector<Profile> named;
    for (Profile& profile : ListProfiles()) {
        const std::string folder = UpperCase(profile.folder) + "\\";
        const bool holdsFile =
            std::any_of(contents.files.begin(), contents.files.end(), [&](const KeptFile& file) {
                return UpperCase(file.originalPath).starts_with(folder);
            });
        if (holdsFile ||
            std::find(sids.begin(), sids.end(), UpperCase(profile.sid)) != sids.end()) {
            named.push_back(std::move(profile));
        }
    }
    return named;
}

void PutBackFiles(const std::string& backupPath, const std::vector<KeptFile>& files,
                  const std::vector<UserScope>& users, RestoreResult& result) {
    if (files.empty()) {
        return;
    }
    platform::Platform& os = platform::Os();
    const std::string folder = BackupFilesFolder(backupPath);
    const std::vector<std::string> shellFolders = ShortcutFolders(users);
    for (const KeptFile& file : files) {
        const std::string kept = folder + file.name;
        if (const std::string refusal = PutBackRefusal(file.originalPath, shellFolders);
            !refusal.empty()) {
            result.failures.push_back(file.originalPath + ": " + refusal);
            continue;
        }
        if (os.FileAttributes(file.originalPath) != platform::kInvalidAttributes) {
            result.failures.push_back(file.originalPath + ": is there again; not replaced");
            continue;
        }
        if (os.FileAttributes(kept) == platform::kInvalidAttributes) {
            result.failures.push_back(file.originalPath + ": its kept copy " + kept +
                                      " is missing");
            continue;
        }
        MakeFolders(file.originalPath.substr(0, FindLastCharacter(file.originalPath, "\\/") + 1));
        if (const std::uint32_t error = os.MoveFileTo(kept, file.originalPath); error != 0) {
            result.failures.push_back(file.originalPath +
                                      ": cannot be put back: " + os.ErrorText(error));
        } else if (os.FileAttributes(file.originalPath) == platform::kInvalidAttributes) {
            result.failures.push_back(file.originalPath + ": is missing after moving it back");
        } else {
            ++result.files;
        }
    }
}

} // namespace

BackupContents ReadBackup(const std::string& backupPath) {
    platform::Platform& os = platform::Os();
    std::string bytes;
    if (const std::uint32_t error = os.ReadWholeFile(backupPath, bytes); error != 0) {
        throw Error("Cannot read file \"" + backupPath + "\". " + os.ErrorText(error));
    }
    BackupContents contents;
    contents.script = ReadRegScript(bytes);
    try {
        contents.files = ReadKeptFiles(backupPath);
    } catch (const Error& e) {
        contents.filesProblem = e.what();
    }
    return contents;
}

RestoreResult RestoreScript(const RegScript& script, bool overwrite) {
    RestoreResult result;
    RestorePlan plan(script, result.failures);
    ScriptWriter writer(plan, result);
    if (overwrite) {
        writer.WriteOver(script);
    } else {
        writer.WriteKeepingNewer();
    }
    writer.Verify();
    return result;
}

RestoreResult RestoreBackup(const std::string& backupPath, bool overwrite, bool files,
                            OtherUsers otherUsers) {
    const BackupContents contents = ReadBackup(backupPath);
    // The hives of users who are not logged on are loaded for the restore and unloaded after
    // it, however it ends; one that cannot be loaded leaves its entries unwritten, each named
    // as it is written.
    const UserHives hives(otherUsers == OtherUsers::Load ? ProfilesNamedIn(contents)
                                                         : std::vector<Profile>{});
    RestoreResult result = RestoreScript(contents.script, overwrite);
    for (const HiveFailure& failure : hives.Failures()) {
        result.failures.push_back("HKU\\" + failure.profile.sid + " (" + failure.profile.account +
                                  "): " + failure.error);
    }
    if (!contents.filesProblem.empty()) {
        result.failures.push_back(
            BackupFilesFolder(backupPath) +
            ": the kept shortcut files cannot be put back: " + contents.filesProblem);
    }
    if (files) {
        PutBackFiles(backupPath, contents.files, hives.Users(), result);
    }
    return result;
}

std::string Counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string RestoreSummary(const RestoreResult& result, const std::string& backupPath) {
    return "Restored " + Counted(result.keys, "key", "keys") + ", " +
           Counted(result.values, "value", "values") + " and " +
           Counted(result.files, "file", "files") + " from " + backupPath;
}

} // namespace mendrake
