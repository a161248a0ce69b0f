// Real users' registry data: the Software and AppEvents keys of the NTUSER.DAT hives of a
// Windows 7 and a Windows 10 machine (../shared/data), planted under HKCU of the Wine prefix with
// the wide registry functions (Wine's registry editor would change some of their strings), and
// every file and folder on C: that they name created, so that the machine is whole. Then the
// folders of a few programs are deleted: each reference into them is found once, or kept on
// purpose by a rule of precision (printed); one fix removes them, and the registry editor's
// import of the backup gives every key and value back.
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/scanner_paths.h"
#include "repair/fix.h"
#include "tests/support/fixtures.h"
#include "tests/support/hive_file.h"
#include "tests/support/raw_registry_value.h"
#include "tests/support/registry_snapshot.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

namespace mendrake::test {
namespace {

// The checks that read the user's Software and AppEvents keys.
const std::vector<std::int32_t> kCategories = {6, 9, 10, 12, 16};

struct HiveCase {
    const char* name;
    std::string file;
    // Folders of programs deleted once the whole machine has been analysed.
    std::vector<std::string> deleted;
    // "KeyText|value" of each finding the deletions bring, sorted.
    std::vector<std::string> expected;
};

std::vector<HiveCase> Cases() {
    const std::string current = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\";
    return {
        // ImgBurn's settings name the user's Documents folder and an image on the desktop,
        // which are there: its key stays. MySQL Notifier's key records its folder as
        // "location" beside "installed", which is no install-folder evidence.
        {"Windows 7 (win7_ntuser.dat)",
         SharedData("reg-notatin/test_data/win7_ntuser.dat"),
         {"C:\\Program Files (x86)\\MySQL", "C:\\Program Files\\Eraser",
          "C:\\Program Files (x86)\\ImgBurn"},
         {current + "Run|Eraser", current + "Run|MySQL Notifier",
          "HKCU\\Software\\MySQL AB\\MySQL Utilities|", "HKCU\\Software\\MySQL\\MySQL Utilities|"}},
        // The Compatibility Assistant's record of python.exe is Windows' own and stays.
        {"Windows 10 (NTUSER_BAGMRU.DAT)",
         std::string(MENDRAKE_USER_HIVES) + "/NTUSER_BAGMRU.DAT",
         {"C:\\Users\\tony\\AppData\\Local\\Programs\\Python\\Python38",
          "C:\\Users\\tony\\AppData\\Local\\JetBrains\\Installations\\dotPeek211",
          "C:\\Program Files\\Ditto",
          "C:\\Program Files\\WindowsApps\\Microsoft.SkypeApp_15.83.3409.0_x86__kzf8qxf38zg5c"},
         {"HKCU\\Software\\JetBrains|", current + "App Paths\\Skype.exe|", current + "Run|Ditto",
          current + "Uninstall\\{b3a57a4b-1568-53a0-abd5-fead3d8ca1fc}|",
          "HKCU\\Software\\Python\\PythonCore|"}},
    };
}

std::string Utf8(std::u16string_view text) {
    const std::wstring wide(text.begin(), text.end());
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

// The strings a value holds: one for REG_SZ and REG_EXPAND_SZ, each of a REG_MULTI_SZ.
std::vector<std::string> Strings(const HiveValue& value) {
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ && value.type != REG_MULTI_SZ) {
        return {};
    }
    std::u16string text;
    for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(value.data[i]) |
                                      static_cast<unsigned char>(value.data[i + 1]) << 8);
    }
    std::vector<std::string> strings;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find(u'\0', start), text.size());
        if (end > start) {
            strings.push_back(Utf8(std::u16string_view(text).substr(start, end - start)));
        }
        start = end + 1;
        if (value.type != REG_MULTI_SZ) {
            break;
        }
    }
    return strings;
}

// The C: paths a text may name, read every way a check reads one: as a path, a command line, an
// icon location, a list; with its references expanded.
std::vector<std::string> NamedPaths(const std::string& written) {
    const std::optional<std::string> expanded = ExpandedReferences(written, RegistryView::Native);
    if (!expanded) {
        return {};
    }
    std::string text = Trim(*expanded);
    std::vector<std::string> candidates = {text, ExtractCommandPath(text), VerbProgramPath(text),
                                           IconFilePath(text)};
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        candidates.push_back(text.substr(1, text.size() - 2));
    }
    for (std::size_t start = 0; text.find(';') != std::string::npos && start <= text.size();) {
        const std::size_t end = std::min(text.find(';', start), text.size());
        candidates.push_back(Trim(text.substr(start, end - start)));
        start = end + 1;
    }
    std::vector<std::string> paths;
    for (std::string& path : candidates) {
        const bool onC = path.size() > 3 && (path[0] == 'C' || path[0] == 'c') && path[1] == ':' &&
                         path[2] == '\\';
        if (onC && path.size() < 200 && path.find_first_of("<>\"|?*/%", 3) == std::string::npos &&
            path.find("\\\\") == std::string::npos &&
            std::none_of(path.begin(), path.end(),
                         [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
            paths.push_back(std::move(path));
        }
    }
    return paths;
}

// Whether `path` lies in `folder` (or is it), by letters in any case.
bool Inside(const std::string& path, const std::string& folder) {
    const std::string upper = UpperCase(path);
    const std::string prefix = UpperCase(folder);
    return upper.rfind(prefix, 0) == 0 &&
           (upper.size() == prefix.size() || upper[prefix.size()] == '\\');
}

// The keys of a hive planted below HKCU with the wide functions, undone when the object goes:
// values put back as they were or deleted, keys that were made deleted.
class PlantedHive {
  public:
    PlantedHive() = default;
    ~PlantedHive() {
        for (auto it = old_.rbegin(); it != old_.rend(); ++it) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, it->key.c_str(), 0, KEY_SET_VALUE, &key) != 0) {
                continue;
            }
            if (it->existed) {
                RegSetValueExW(key, it->name.c_str(), 0, it->type,
                               reinterpret_cast<const BYTE*>(it->bytes.data()),
                               static_cast<DWORD>(it->bytes.size()));
            } else {
                RegDeleteValueW(key, it->name.c_str());
            }
            RegCloseKey(key);
        }
        for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
            RegDeleteTreeW(HKEY_CURRENT_USER, it->c_str());
        }
    }
    PlantedHive(const PlantedHive&) = delete;
    PlantedHive& operator=(const PlantedHive&) = delete;

    // Keys in the hive's order: parents before their subkeys.
    void Plant(const std::vector<HiveKey>& keys) {
        std::set<std::wstring> made; // upper-cased
        for (const HiveKey& hiveKey : keys) {
            const std::wstring path(hiveKey.path.begin(), hiveKey.path.end());
            HKEY key = nullptr;
            DWORD disposition = 0;
            ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                                     KEY_ALL_ACCESS, nullptr, &key, &disposition))
                << Utf8(hiveKey.path);
            const std::wstring parent = path.substr(0, path.rfind(L'\\'));
            const bool parentMade = made.contains(Upper(parent));
            if (disposition == REG_CREATED_NEW_KEY) {
                made.insert(Upper(path));
                if (!parentMade) {
                    created_.push_back(path);
                }
            }
            for (const HiveValue& value : hiveKey.values) {
                const std::wstring name(value.name.begin(), value.name.end());
                if (disposition != REG_CREATED_NEW_KEY) {
                    Remember(key, path, name);
                }
                Set(key, name, value.type, value.data);
            }
            RegCloseKey(key);
        }
    }

  private:
    static std::wstring Upper(std::wstring text) {
        CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
        return text;
    }

    void Remember(HKEY key, const std::wstring& path, const std::wstring& name) {
        OldValue& old = old_.emplace_back();
        old.key = path;
        old.name = name;
        DWORD size = 0;
        old.existed = RegQueryValueExW(key, name.c_str(), nullptr, &old.type, nullptr, &size) == 0;
        if (old.existed) {
            old.bytes.resize(size);
            RegQueryValueExW(key, name.c_str(), nullptr, &old.type,
                             reinterpret_cast<BYTE*>(old.bytes.data()), &size);
        }
    }

    // The bytes as the hive holds them: odd lengths and missing terminators stay as they are.
    static void Set(HKEY key, const std::wstring& name, DWORD type, std::string data) {
        EXPECT_EQ(0, SetRawValue(key, name, type, std::move(data)));
    }

    struct OldValue {
        std::wstring key, name;
        bool existed = false;
        DWORD type = 0;
        std::string bytes;
    };
    std::vector<std::wstring> created_; // the first key made on each new branch
    std::vector<OldValue> old_;
};

// Creates every named path that is missing: a folder when it ends in "\" or another named path
// lies below it, a file when its last part has an extension, else a folder.
void CreatePaths(const std::set<std::string>& named, PlantedFiles& files) {
    std::map<std::string, std::string> byUpper;
    for (const std::string& path : named) {
        byUpper.emplace(UpperCase(path), path);
    }
    for (const auto& [upper, path] : byUpper) {
        const auto below = byUpper.lower_bound(upper + "\\");
        const bool parent = below != byUpper.end() && below->first.rfind(upper + "\\", 0) == 0;
        const std::string last = path.substr(path.rfind('\\') + 1);
        const std::size_t dot = last.rfind('.');
        const bool file = !parent && !last.empty() && dot != std::string::npos &&
                          last.size() - dot >= 2 && last.size() - dot <= 5 &&
                          last.find(' ', dot) == std::string::npos;
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            continue;
        }
        try {
            if (file) {
                files.AddFile(path);
            } else {
                files.AddFolder(path);
            }
        } catch (const std::exception&) {
            // A level of it is a file already: another reading of some text; not a path.
        }
    }
}

void DeleteTree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = folder + "\\" + name;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                DeleteTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// Findings that name a path that is gone (an empty key, or a cache entry without its entry,
// names none).
std::vector<TItem> PathFindings(const std::vector<TItem>& issues) {
    std::vector<TItem> found;
    std::copy_if(issues.begin(), issues.end(), std::back_inserter(found), [](const TItem& item) {
        return !DrivePart(item.Data).empty() || !DrivePart(item.ValueData).empty();
    });
    return found;
}

std::vector<std::string> Lines(const std::vector<TItem>& issues) {
    std::vector<std::string> lines;
    for (const TItem& item : issues) {
        lines.push_back(item.KeyText + "|" + item.Value);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// A planted value that names a path in a deleted folder.
struct Reference {
    std::string key, value, path; // key as "HKCU\..."
};

// How many findings remove the reference: its value, or a key at or above it.
std::size_t Covering(const Reference& reference, const std::vector<TItem>& found) {
    return static_cast<std::size_t>(
        std::count_if(found.begin(), found.end(), [&](const TItem& item) {
            if (item.DeleteKey) {
                return Inside(reference.key, item.KeyText);
            }
            return UpperCase(item.KeyText) == UpperCase(reference.key) &&
                   UpperCase(item.Value) == UpperCase(reference.value);
        }));
}

TEST(RealProfiles, DeletedProgramsAreFoundOnceFixedOnceAndRestoredExactly) {
    const std::vector<TItem> before = Scan(kCategories);
    for (const HiveCase& hive : Cases()) {
        SCOPED_TRACE(hive.name);
        const std::string bytes = ReadHostFile(hive.file);
        std::vector<HiveKey> keys;
        for (const char16_t* top : {u"Software", u"AppEvents"}) {
            std::optional<std::vector<HiveKey>> read = ReadHive(bytes, top);
            ASSERT_TRUE(read.has_value()) << "not a readable hive: " << hive.file;
            keys.insert(keys.end(), read->begin(), read->end());
        }
        std::set<std::string> named;
        std::vector<Reference> references;
        std::size_t values = 0;
        for (const HiveKey& key : keys) {
            values += key.values.size();
            for (const HiveValue& value : key.values) {
                std::vector<std::string> texts = Strings(value);
                texts.push_back(Utf8(value.name)); // a name can be the path (MUI cache)
                for (const std::string& text : texts) {
                    for (const std::string& path : NamedPaths(text)) {
                        named.insert(path);
                        for (const std::string& folder : hive.deleted) {
                            if (Inside(path, folder)) {
                                references.push_back(
                                    {"HKCU\\" + Utf8(key.path), Utf8(value.name), path});
                            }
                        }
                    }
                }
            }
        }
        PlantedHive planted;
        planted.Plant(keys);
        PlantedFiles files;
        CreatePaths(named, files);
        std::printf("%s: %zu keys, %zu values planted; %zu paths named\n", hive.name, keys.size(),
                    values, named.size());

        const std::vector<TItem> whole = Added(before, Scan(kCategories));
        EXPECT_EQ("", Blocks(PathFindings(whole))) << "with every path there, nothing is gone";

        for (const std::string& folder : hive.deleted) {
            DeleteTree(folder);
        }
        const std::vector<TItem> found =
            PathFindings(Added(whole, Added(before, Scan(kCategories))));
        EXPECT_EQ(hive.expected, Lines(found)) << Blocks(found);
        std::set<std::string> kept;
        for (const Reference& reference : references) {
            const std::size_t covering = Covering(reference, found);
            EXPECT_LE(covering, 1u) << reference.key << " \"" << reference.value << "\"";
            if (covering == 0) {
                kept.insert(reference.key + " \"" + reference.value + "\" -> " + reference.path);
            }
        }
        std::printf("%s: %zu findings after the deletions; %zu references kept:\n", hive.name,
                    found.size(), kept.size());
        for (const std::string& line : kept) {
            std::printf("  kept: %s\n", line.c_str());
        }

        // What the fix touches, as it was.
        Snapshot touched;
        for (const TItem& issue : found) {
            AddToSnapshot(static_cast<platform::Hkey>(issue.RootKey), issue.Key.substr(1), touched);
        }
        char folder[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, folder);
        const std::string backup = std::string(folder) + "mendrake_real_profiles.reg";
        DeleteFileA(backup.c_str());
        const FixResult fixed = FixIssues(found, backup);
        ASSERT_TRUE(fixed.backupPath.has_value());
        EXPECT_TRUE(fixed.notFixed.empty());
        for (const TItem& issue : found) {
            EXPECT_FALSE(IssueEntryPresent(issue)) << issue.KeyText << " \"" << issue.Value << "\"";
        }
        EXPECT_EQ("", Blocks(PathFindings(Added(whole, Added(before, Scan(kCategories))))))
            << "one fix is enough";

        const std::string command = "regedit.exe /S \"" + *fixed.backupPath + "\"";
        ASSERT_EQ(0, std::system(command.c_str()));
        Snapshot restored;
        for (const TItem& issue : found) {
            AddToSnapshot(static_cast<platform::Hkey>(issue.RootKey), issue.Key.substr(1),
                          restored);
        }
        EXPECT_EQ("", Differences(touched, restored));
        DeleteFileA(fixed.backupPath->c_str());
    }
}

} // namespace
} // namespace mendrake::test
