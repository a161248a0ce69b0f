#include "repair/restore.h"

#include "engine/common_unit.h"
#include "engine/error.h"
#include "engine/registry_access.h"
#include "platform/platform.h"
#include "repair/regexport_unit.h"

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
        std::size_t end = path.find('\\', start);
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

std::string ValueEntry(const RegScriptKey& key, const std::string& name) {
    return ScriptKeyName(key) + (name.empty() ? " @" : " \"" + name + "\"");
}

// What the registry should hold once the script is written: the last word of the script on
// each key and value, in the order they first appear.
class Expectations {
  public:
    struct Entry {
        std::uint32_t root = 0;
        std::string path, name;
        std::string label; // how a failure names it
        bool isKey = false;
        bool present = true;
        platform::RegValue value;
    };

    void Expect(Entry entry) {
        const auto id =
            std::make_tuple(entry.root, UpperCase(entry.path), entry.isKey, UpperCase(entry.name));
        const auto [found, added] = index_.try_emplace(id, entries_.size());
        if (added) {
            entries_.push_back(std::move(entry));
        } else {
            entries_[found->second] = std::move(entry);
        }
    }
    // A value that could not be written is reported once, not checked again.
    void Forget(std::uint32_t root, const std::string& path, const std::string& name) {
        const auto found =
            index_.find(std::make_tuple(root, UpperCase(path), false, UpperCase(name)));
        if (found != index_.end()) {
            entries_[found->second].label.clear();
        }
    }
    // A deleted key takes every key and value below it with it.
    void ForgetBelow(std::uint32_t root, const std::string& path) {
        const std::string upper = UpperCase(path);
        for (Entry& entry : entries_) {
            const std::string other = UpperCase(entry.path);
            if (entry.root == root && (other == upper || other.rfind(upper + "\\", 0) == 0)) {
                entry.label.clear();
            }
        }
    }
    const std::vector<Entry>& entries() const { return entries_; }

  private:
    std::vector<Entry> entries_;
    std::map<std::tuple<std::uint32_t, std::string, bool, std::string>, std::size_t> index_;
};

class ScriptWriter {
  public:
    explicit ScriptWriter(RestoreResult& result) : result_(result) {}

    void Write(const RegScript& script) {
        for (const RegScriptKey& key : script.keys) {
            if (key.lossy) {
                Fail("Line " + std::to_string(key.line) + ": " + ScriptKeyName(key),
                     "cannot be written exactly; not written");
            } else if (key.remove) {
                RemoveKey(key);
            } else {
                WriteKey(key);
            }
        }
    }

    void Verify() {
        for (const Expectations::Entry& entry : expected_.entries()) {
            if (!entry.label.empty()) {
                VerifyEntry(entry);
            }
        }
    }

  private:
    void Fail(const std::string& entry, const std::string& reason) {
        result_.failures.push_back(entry + ": " + reason);
    }

    void RemoveKey(const RegScriptKey& key) {
        RegistryAccess reg;
        reg.SetRoot(key.root);
        if (OpenKeyPath(reg, key.path)) {
            reg.RemoveOpenKey();
        }
        expected_.ForgetBelow(key.root, key.path);
        expected_.Expect({key.root, key.path, "", ScriptKeyName(key), true, false, {}});
    }

    void WriteKey(const RegScriptKey& key) {
        OpenedKey opened;
        if (const long status = OpenPath(key.root, key.path, true, opened);
            status != platform::kSuccess) {
            Fail(ScriptKeyName(key),
                 "cannot be created or opened for writing: " + Reason(status) +
                     (key.values.empty() ? ""
                                         : " Its " + std::to_string(key.values.size()) +
                                               " values were not written."));
            return;
        }
        expected_.Expect({key.root, key.path, "", ScriptKeyName(key), true, true, {}});
        platform::Platform& os = platform::Os();
        for (const RegScriptValue& value : key.values) {
            const std::string label = ValueEntry(key, value.name);
            if (value.lossy) {
                expected_.Forget(key.root, key.path, value.name);
                Fail("Line " + std::to_string(value.line) + ": " + label,
                     "cannot be written exactly; not written");
            } else if (!value.hasData) {
                expected_.Forget(key.root, key.path, value.name);
                Fail(label, "the backup holds no data for it; not written");
            } else if (value.remove) {
                os.DeleteValue(opened.get(), value.name);
                expected_.Expect({key.root, key.path, value.name, label, false, false, {}});
            } else if (const long status =
                           os.SetValue(opened.get(), value.name, value.type, value.data);
                       status != platform::kSuccess) {
                expected_.Forget(key.root, key.path, value.name);
                Fail(label, "cannot be written: " + Reason(status));
            } else {
                expected_.Expect({key.root, key.path, value.name, label, false, true,
                                  platform::RegValue{value.type, value.data}});
            }
        }
    }

    void VerifyEntry(const Expectations::Entry& entry) {
        OpenedKey opened;
        const long status = OpenPath(entry.root, entry.path, false, opened);
        if (entry.isKey) {
            if (entry.present && status != platform::kSuccess) {
                Fail(entry.label, "is missing after writing: " + Reason(status));
            } else if (!entry.present && status == platform::kSuccess) {
                Fail(entry.label, "is still there after deleting");
            } else if (entry.present) {
                ++result_.keys;
            }
            return;
        }
        platform::RegValue read;
        const long queried = status == platform::kSuccess
                                 ? platform::Os().QueryValue(opened.get(), entry.name, read)
                                 : status;
        if (!entry.present) {
            if (queried == platform::kSuccess) {
                Fail(entry.label, "is still there after deleting");
            }
        } else if (queried != platform::kSuccess) {
            Fail(entry.label, "does not read back: " + Reason(queried));
        } else if (read.type != entry.value.type || read.data != entry.value.data) {
            Fail(entry.label, "reads back differently (type " + std::to_string(read.type) + ", " +
                                  std::to_string(read.data.size()) + " bytes, instead of type " +
                                  std::to_string(entry.value.type) + ", " +
                                  std::to_string(entry.value.data.size()) + " bytes)");
        } else {
            ++result_.values;
        }
    }

    RestoreResult& result_;
    Expectations expected_;
};

// Makes every missing folder of `folder` (ending in a backslash), from the top down.
void MakeFolders(const std::string& folder) {
    platform::Platform& os = platform::Os();
    for (std::size_t cut = folder.find_first_of("\\/"); cut != std::string::npos;
         cut = folder.find_first_of("\\/", cut + 1)) {
        const std::string part = folder.substr(0, cut);
        if (!part.empty() && part.back() != ':' &&
            os.FileAttributes(part) == platform::kInvalidAttributes) {
            os.CreateFolder(part);
        }
    }
}

void PutBackFiles(const std::string& backupPath, const std::vector<KeptFile>& files,
                  RestoreResult& result) {
    platform::Platform& os = platform::Os();
    const std::string folder = BackupFilesFolder(backupPath);
    for (const KeptFile& file : files) {
        const std::string kept = folder + file.name;
        if (os.FileAttributes(file.originalPath) != platform::kInvalidAttributes) {
            result.failures.push_back(file.originalPath + ": is there again; not replaced");
            continue;
        }
        if (os.FileAttributes(kept) == platform::kInvalidAttributes) {
            result.failures.push_back(file.originalPath + ": its kept copy " + kept +
                                      " is missing");
            continue;
        }
        MakeFolders(file.originalPath.substr(0, file.originalPath.find_last_of("\\/") + 1));
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
    contents.files = ReadKeptFiles(backupPath);
    return contents;
}

RestoreResult RestoreScript(const RegScript& script) {
    RestoreResult result;
    ScriptWriter writer(result);
    writer.Write(script);
    writer.Verify();
    return result;
}

RestoreResult RestoreBackup(const std::string& backupPath) {
    const BackupContents contents = ReadBackup(backupPath);
    RestoreResult result = RestoreScript(contents.script);
    PutBackFiles(backupPath, contents.files, result);
    return result;
}

std::string RestoreSummary(const RestoreResult& result, const std::string& backupPath) {
    return "Restored " + std::to_string(result.keys) + " keys, " + std::to_string(result.values) +
           " values and " + std::to_string(result.files) + " files from " + backupPath;
}

} // namespace mendrake
