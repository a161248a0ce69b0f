// Hostile but legal contents planted with the wide registry functions, each under its own
// stale class: after the fix and the registry editor's import of its backup ("regedit /S"),
// every class reads back byte for byte as before, read with the wide functions too: restored
// exactly, or never touched because the backup could not hold it.
#include "engine/algorithm_unit.h"
#include "engine/issue_model.h"
#include "repair/fix.h"
#include "tests/support/fixtures.h"
#include "tests/support/hostile_cases.h"
#include "tests/support/raw_registry_value.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <map>
#include <sstream>

namespace mendrake::test {
namespace {

const std::wstring kBase = L"Software\\MendrakeTests\\Hostile";

std::wstring Wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

// An open key of HKEY_CURRENT_USER, created with every missing level.
class WideKey {
  public:
    explicit WideKey(const std::wstring& path) {
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key_, nullptr));
    }
    ~WideKey() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    WideKey(const WideKey&) = delete;
    WideKey& operator=(const WideKey&) = delete;

    // A counted name: RegSetValueExW would end one at its first NUL.
    void Set(std::wstring_view name, DWORD type, const std::string& bytes) {
        EXPECT_EQ(0, SetRawValue(key_, name, type, bytes));
    }

  private:
    HKEY key_ = nullptr;
};

// Every key below a path with its values, names and bytes as the wide functions give them.
struct StoredValue {
    DWORD type = 0;
    std::string bytes;
    bool operator==(const StoredValue&) const = default;
};
using Snapshot = std::map<std::wstring, std::map<std::wstring, StoredValue>>;

void Take(HKEY key, const std::wstring& path, Snapshot& snapshot) {
    auto& values = snapshot[path];
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameSize = 16384, type = 0, size = 0;
        if (RegEnumValueW(key, i, name, &nameSize, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        std::string bytes(size, '\0');
        nameSize = 16384;
        RegEnumValueW(key, i, name, &nameSize, nullptr, &type,
                      reinterpret_cast<BYTE*>(bytes.data()), &size);
        values[std::wstring(name, nameSize)] = {type, bytes.substr(0, size)};
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD size = 256;
        if (RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        subkeys.emplace_back(name, size);
    }
    for (const std::wstring& subkey : subkeys) {
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, subkey.c_str(), 0, KEY_READ, &child) == ERROR_SUCCESS) {
            Take(child, path + L"\\" + subkey, snapshot);
            RegCloseKey(child);
        }
    }
}

Snapshot TakeSnapshot(const std::wstring& path) {
    Snapshot snapshot;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        Take(key, path, snapshot);
        RegCloseKey(key);
    }
    return snapshot;
}

// Names printed with their UTF-16 code units, so that a difference in a control character or
// in a character outside the code page can be seen.
std::string Printable(const std::wstring& text) {
    std::ostringstream out;
    for (const wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out << static_cast<char>(c);
        } else {
            out << "<" << std::hex << static_cast<unsigned>(c) << std::dec << ">";
        }
    }
    return out.str();
}

std::string Differences(const Snapshot& before, const Snapshot& after) {
    std::ostringstream out;
    for (const auto& [key, values] : before) {
        const auto found = after.find(key);
        if (found == after.end()) {
            out << "missing key " << Printable(key) << "\n";
        } else if (found->second != values) {
            out << "values differ in " << Printable(key) << "\n";
        }
    }
    for (const auto& [key, values] : after) {
        if (before.count(key) == 0) {
            out << "extra key " << Printable(key) << "\n";
        }
    }
    return out.str();
}

// The private key goes with the object, whatever the test left there.
struct HostileTree {
    HostileTree() { RegDeleteTreeW(HKEY_CURRENT_USER, kBase.c_str()); }
    ~HostileTree() { RegDeleteTreeW(HKEY_CURRENT_USER, kBase.c_str()); }
    HostileTree(const HostileTree&) = delete;
    HostileTree& operator=(const HostileTree&) = delete;
};

std::string TempFolder() {
    char buffer[MAX_PATH + 1] = {};
    GetTempPathA(sizeof buffer, buffer);
    return buffer;
}

void ImportWithRegedit(const std::string& script) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = "regedit.exe /S \"" + script + "\"";
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

TEST(HostileRestore, EveryClassComesBackExactlyOrIsNeverTouched) {
    using namespace std::string_literals;
    HostileTree tree;
    const auto& cases = HostileCases();
    std::vector<TItem> issues;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const HostileCase& c = cases[i];
        const std::wstring classKey = kBase + L"\\C" + std::to_wstring(i);
        WideKey(classKey).Set(L"Plain", REG_SZ, Utf16Bytes(u"kept\0"s));
        WideKey(c.subkey.empty() ? classKey : classKey + L"\\" + Wide(c.subkey))
            .Set(Wide(c.name), c.type, c.stored);
        TItem issue;
        issue.Category = 5;
        issue.RootKey = static_cast<std::uint32_t>(platform::kCurrentUser);
        issue.Key = "\\Software\\MendrakeTests\\Hostile\\C" + std::to_string(i);
        issue.KeyText = "HKCU" + issue.Key;
        issue.DeleteKey = true;
        issues.push_back(issue);
    }
    const Snapshot before = TakeSnapshot(kBase);
    const auto subkeys = std::count_if(cases.begin(), cases.end(),
                                       [](const HostileCase& c) { return !c.subkey.empty(); });
    ASSERT_EQ(1 + cases.size() + static_cast<std::size_t>(subkeys), before.size())
        << "every class and subkey planted";

    const std::string backup = TempFolder() + "mendrake_hostile_backup.reg";
    DeleteFileA(backup.c_str());
    const FixResult result = FixIssues(issues, backup);
    // With the manifest's UTF-8 code page every name and text has its place; a Windows that
    // ignores the manifest keeps its legacy code page and the stricter rule.
    const bool utf8 = GetACP() == CP_UTF8;
    std::string bytes;
    EXPECT_EQ(0u, platform::Os().ReadWholeFile(backup, bytes));
    const std::string script = ScriptTextUtf8(bytes);
    EXPECT_EQ(0u, script.find("Windows Registry Editor Version 5.00\r\n\r\n"));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].label);
        const bool left = std::any_of(result.notFixed.begin(), result.notFixed.end(),
                                      [&](const NotFixed& n) { return n.index == i; });
        const std::string line = ExpectedBackupLine(cases[i], utf8);
        EXPECT_EQ(line.empty(), left);
        EXPECT_EQ(left, IssueEntryPresent(issues[i]));
        if (!line.empty()) {
            EXPECT_NE(std::string::npos, script.find(line + "\r\n")) << line;
        }
    }
    ImportWithRegedit(backup);
    EXPECT_EQ("", Differences(before, TakeSnapshot(kBase)));
    DeleteFileA(backup.c_str());
}

// A start-up entry named or pointing in Cyrillic is judged like any other with the UTF-8 code
// page, and reported with its exact text; in a legacy code page that lacks the characters it
// is never reported, whether or not its program exists: the path the scan could test is not
// its own.
TEST(HostileRestore, RunEntryOutsideTheLegacyCodePageIsJudgedOnlyByItsOwnText) {
    using namespace std::string_literals;
    const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::vector<TItem> before = Scan({10});
    {
        WideKey key(run);
        key.Set(L"MendrakeHostilePath", REG_SZ,
                Utf16Bytes(u"C:\\\u041F\u0440\u043E\u0433\\app.exe\0"s));
        key.Set(L"MendrakeHostile\u0418", REG_SZ, Utf16Bytes(u"C:\\MendrakeGone\\a.exe\0"s));
        key.Set(L"MendrakeHostileControl", REG_SZ, Utf16Bytes(u"C:\\MendrakeGone\\b.exe\0"s));
    }
    const std::vector<TItem> added = Added(before, Scan({10}));
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, run.c_str(), 0, KEY_ALL_ACCESS, &key);
    for (const wchar_t* name :
         {L"MendrakeHostilePath", L"MendrakeHostile\u0418", L"MendrakeHostileControl"}) {
        RegDeleteValueW(key, name);
    }
    RegCloseKey(key);
    if (GetACP() == CP_UTF8) {
        ASSERT_EQ(3u, added.size()) << Blocks(added);
        std::map<std::string, std::string> found;
        for (const TItem& issue : added) {
            found[issue.Value] = issue.Data;
        }
        EXPECT_EQ((std::map<std::string, std::string>{
                      {"MendrakeHostilePath", "C:\\\u041F\u0440\u043E\u0433\\app.exe"},
                      {"MendrakeHostile\u0418", "C:\\MendrakeGone\\a.exe"},
                      {"MendrakeHostileControl", "C:\\MendrakeGone\\b.exe"}}),
                  found);
        return;
    }
    ASSERT_EQ(1u, added.size()) << Blocks(added);
    EXPECT_EQ("MendrakeHostileControl", added[0].Value);
}

// Two fixes within one second write two backups; the first is never replaced.
TEST(HostileRestore, TwoFixesInOneSecondWriteTwoBackups) {
    const std::string first = TempFolder() + "mendrake_same_second_backup.reg";
    const std::string second = TempFolder() + "mendrake_same_second_2_backup.reg";
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
    // Each fix removes one planted key: a fix with nothing to remove writes no backup.
    auto planted = [](const char* name) {
        HKEY key = nullptr;
        const std::string path = std::string("Software\\") + name;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
        RegCloseKey(key);
        TItem issue;
        issue.Category = 6;
        issue.Problem = "Obsolete Software Key";
        issue.KeyText = "HKCU\\" + path;
        issue.RootKey =
            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(HKEY_CURRENT_USER));
        issue.Key = "\\" + path;
        issue.DeleteKey = true;
        return issue;
    };
    EXPECT_EQ(first, *FixIssues({planted("MendrakeSameSecond1")}, first).backupPath);
    EXPECT_EQ(second, *FixIssues({planted("MendrakeSameSecond2")}, first).backupPath);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(first.c_str()));
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
}

} // namespace
} // namespace mendrake::test
