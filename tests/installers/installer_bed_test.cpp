// Real installers, then what users do: the test bed's packages (Windows Installer packages built
// by wixl, NSIS setups built by makensis; see bed.sh) are installed machine-wide and for the
// user, their install folders deleted by hand, and the leftovers found, fixed, restored and
// finally uninstalled properly. Runs in a prefix of its own that bed.sh prepares.
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "repair/fix.h"
#include "repair/restore.h"
#include "tests/support/fixtures.h"
#include "tests/support/registry_snapshot.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <map>

namespace mendrake {
namespace {

const std::vector<std::int32_t> kAllCategories = {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16, 13, 14};

// Whether the checks of dependent findings (a reference to a key the same analysis removes),
// of icons and of per-user classes are part of this build. Until they are, the rows that need
// them are printed, not required, and may show up in the analysis after the fix.
constexpr bool kClassChecksPresent = true;

// One leftover the bed's programs leave when their folders are deleted: the check that finds
// it (category, kind), the issue's key as the list shows it, and the value, if any.
struct Leftover {
    const char* check;
    std::int32_t category;
    std::int32_t kind;
    const char* keyText; // compared without regard to letter case
    const char* value;
    bool needsClassChecks;
    bool thirtyTwoBit;
};

#define UNINSTALL "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
#define RUN "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
#define MSI64 "{4D454E44-4245-4400-0000-000000006401}"
#define MSI32 "{4D454E44-4245-4400-0000-000000003201}"
#define BEDCLASS "{4D454E44-4245-4400-0000-00000000A001}"

const Leftover kLeftovers[] = {
    // Windows Installer, 64-bit, machine-wide.
    {"uninstall entry", 9, 2, "HKLM" UNINSTALL MSI64, "", false, false},
    {"software key (vendor of removed products)", 6, 2, "HKLM\\Software\\MendrakeBedMsi", "", false,
     false},
    {"run entry", 10, 0, "HKLM" RUN, "MendrakeBedMsi64", false, false},
    // Windows Installer, 32-bit, machine-wide: the 32-bit view.
    {"uninstall entry", 9, 2,
     "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion"
     "\\Uninstall\\" MSI32,
     "", false, true},
    {"software key (vendor of removed products)", 6, 2,
     "HKLM\\Software\\Wow6432Node\\MendrakeBedMsi", "", false, true},
    {"run entry", 10, 0, "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
     "MendrakeBedMsi32", false, true},
    // NSIS, 64-bit, machine-wide.
    {"uninstall entry", 9, 2, "HKLM" UNINSTALL "MendrakeBedMachine", "", false, false},
    {"software key (vendor depth)", 6, 2, "HKLM\\Software\\MendrakeBedMachine", "", false, false},
    {"App Paths", 6, 1, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\bedapp.exe",
     "", false, false},
    {"verb of a program id", 6, 0, "HKCR\\MendrakeBed.Document\\shell\\open\\Command", "", false,
     false},
    {"verb of an application", 6, 0, "HKCR\\Applications\\bedapp.exe\\shell\\open\\Command", "",
     false, false},
    {"class server", 5, 0, "HKCR\\CLSID\\" BEDCLASS, "", false, false},
    {"run entry", 10, 0, "HKLM" RUN, "MendrakeBedMachine", false, false},
    {"shared DLL", 3, 0, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
     "C:\\Program Files\\MendrakeBedMachine\\bedext.dll", false, false},
    {"start-menu shortcut", 13, 1, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\",
     "Mendrake Bed Machine.lnk", false, false},
    {"desktop shortcut", 14, 1, "C:\\users\\Public\\Desktop\\", "Mendrake Bed Machine.lnk", false,
     false},
    {"program id naming a class the analysis removes", 5, 1, "HKCR\\MendrakeBed.Document\\CLSID",
     "", true, false},
    {"icon of a program id", 4, 2, "HKCR\\MendrakeBed.Document\\DefaultIcon", "", true, false},
    // What the fix of the above leaves empty or dangling, found in the same analysis.
    {"shell key the fix empties", 6, 0, "HKCR\\MendrakeBed.Document\\shell", "", true, false},
    {"program id the fix empties", 6, 0, "HKCR\\MendrakeBed.Document", "", true, false},
    {"extension naming the removed program id", 4, 3, "HKCR\\.mdkbed", "", true, false},
    // NSIS, 64-bit, for the current user.
    {"uninstall entry", 9, 2, "HKCU" UNINSTALL "MendrakeBedUser", "", false, false},
    {"software key (product depth)", 6, 3, "HKCU\\Software\\MendrakeBedVendor\\User App", "", false,
     false},
    {"run entry", 10, 0, "HKCU" RUN, "MendrakeBedUser", false, false},
    {"start-menu shortcut", 13, 0, "", "Mendrake Bed User.lnk", false, false},
    {"verb of a per-user program id", 6, 0,
     "HKCU\\Software\\Classes\\MendrakeBedUser.File\\shell\\open\\Command", "", true, false},
    {"icon of a per-user program id", 4, 2,
     "HKCU\\Software\\Classes\\MendrakeBedUser.File\\DefaultIcon", "", true, false},
    {"per-user shell key the fix empties", 6, 0,
     "HKCU\\Software\\Classes\\MendrakeBedUser.File\\shell", "", true, false},
    {"per-user program id the fix empties", 6, 0, "HKCU\\Software\\Classes\\MendrakeBedUser.File",
     "", true, false},
    {"per-user extension naming the removed program id", 4, 3, "HKCU\\Software\\Classes\\.mdkusr",
     "", true, false},
};

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : value;
}

bool ThirtyTwoBitInstalls() {
    return Env("MENDRAKE_BED_32BIT") == "yes";
}

// Whether an issue belongs to the bed's programs.
bool Ours(const TItem& item) {
    const std::string text =
        UpperCase(item.Data + "|" + item.KeyText + "|" + item.Value + "|" + item.ValueData);
    for (const char* mark :
         {"MENDRAKEBED", "MENDRAKE BED", ".MDKBED", ".MDKUSR", "4D454E44-4245"}) {
        if (text.find(mark) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::vector<TItem> OursIn(const std::vector<TItem>& issues) {
    std::vector<TItem> ours;
    for (const TItem& item : issues) {
        if (Ours(item)) {
            ours.push_back(item);
        }
    }
    return ours;
}

std::string Listed(const std::vector<TItem>& issues) {
    std::string text;
    for (const TItem& item : issues) {
        text += "  " + std::to_string(item.Category) + "," + std::to_string(item.Kind) + " " +
                item.Problem + " [" + item.KeyText + "] " + item.Value + " {" + item.Data + "}\n";
    }
    return text;
}

bool Matches(const Leftover& row, const TItem& item) {
    if (row.category != item.Category || UpperCase(row.value) != UpperCase(item.Value) ||
        (!IsFileCategory(item.Category) && row.kind != item.Kind)) {
        return false;
    }
    // The user's start menu lies below the profile: only the shortcut's name is compared.
    return row.keyText[0] == '\0' || UpperCase(row.keyText) == UpperCase(item.KeyText);
}

// Runs a program of the prefix to its end; its exit code.
DWORD RunAndWait(const std::string& commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        throw std::runtime_error("cannot start " + commandLine + ": error " +
                                 std::to_string(GetLastError()));
    }
    CloseHandle(process.hThread);
    const DWORD waited = WaitForSingleObject(process.hProcess, 120000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    if (waited != WAIT_OBJECT_0) {
        throw std::runtime_error(commandLine + " did not end within two minutes");
    }
    return code;
}

// Deletes a folder with everything in it, as a user does in Explorer.
void DeleteFolder(const std::string& folder) {
    for (const platform::FindEntry& entry : platform::Os().ListFolder(folder + "\\*")) {
        if (entry.name == "." || entry.name == "..") {
            continue;
        }
        const std::string path = folder + "\\" + entry.name;
        if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            DeleteFolder(path);
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
    RemoveDirectoryA(folder.c_str());
}

struct FileState {
    std::string bytes;
    std::uint32_t attributes = 0;
};

class InstallerBed : public testing::Test {
  protected:
    void SetUp() override {
        packages_ = test::HostPath(Env("MENDRAKE_BED_PACKAGES"));
        ASSERT_FALSE(Env("MENDRAKE_BED_PACKAGES").empty()) << "run through tests/installers/bed.sh";
        char buffer[MAX_PATH] = {};
        GetEnvironmentVariableA("LOCALAPPDATA", buffer, MAX_PATH);
        userFolder_ = std::string(buffer) + "\\Programs\\MendrakeBedUser";
        if (!ThirtyTwoBitInstalls()) {
            std::cout << "32-bit installs skipped: " << Env("MENDRAKE_BED_32BIT") << "\n";
        }
    }

    std::vector<std::string> InstallFolders() const {
        std::vector<std::string> folders = {"C:\\Program Files\\MendrakeBedMsi64",
                                            "C:\\Program Files\\MendrakeBedMachine", userFolder_};
        if (ThirtyTwoBitInstalls()) {
            folders.push_back("C:\\Program Files (x86)\\MendrakeBedMsi32");
        }
        return folders;
    }
    std::vector<std::string> MsiPackages() const {
        std::vector<std::string> msis = {packages_ + "\\msi64.msi"};
        if (ThirtyTwoBitInstalls()) {
            msis.push_back(packages_ + "\\msi32.msi");
        }
        return msis;
    }
    void Install() {
        for (const std::string& msi : MsiPackages()) {
            ASSERT_EQ(0u, RunAndWait("msiexec.exe /i \"" + msi + "\" /qn")) << msi;
        }
        for (const char* setup : {"machine.exe", "user.exe"}) {
            ASSERT_EQ(0u, RunAndWait("\"" + packages_ + "\\" + setup + "\" /S")) << setup;
        }
        for (const std::string& folder : InstallFolders()) {
            ASSERT_TRUE(FolderFound(folder)) << folder;
        }
    }

    std::string packages_;
    std::string userFolder_;
};

TEST_F(InstallerBed, LeftoversOfDeletedFoldersAreFoundFixedAndRestored) {
    const std::vector<TItem> before = test::Scan(kAllCategories);
    ASSERT_NO_FATAL_FAILURE(Install());
    EXPECT_EQ("", Listed(OursIn(test::Added(before, test::Scan(kAllCategories)))))
        << "nothing of the installed programs is reported";

    // The uninstallers go with the folders; copies are kept for the proper uninstall below.
    const std::string kept = "C:\\MendrakeBedKept";
    CreateDirectoryA(kept.c_str(), nullptr);
    CopyFileA("C:\\Program Files\\MendrakeBedMachine\\uninstall.exe",
              (kept + "\\machine-uninstall.exe").c_str(), FALSE);
    CopyFileA((userFolder_ + "\\uninstall.exe").c_str(), (kept + "\\user-uninstall.exe").c_str(),
              FALSE);
    for (const std::string& folder : InstallFolders()) {
        DeleteFolder(folder);
        ASSERT_FALSE(FolderFound(folder)) << folder;
    }

    // One analysis finds every leftover the checks cover.
    std::vector<TItem> leftovers = OursIn(test::Added(before, test::Scan(kAllCategories)));
    std::cout << "Leftovers found after the folders were deleted:\n" << Listed(leftovers);
    std::vector<bool> claimed(leftovers.size(), false);
    for (const Leftover& row : kLeftovers) {
        if (row.thirtyTwoBit && !ThirtyTwoBitInstalls()) {
            continue;
        }
        bool found = false;
        for (std::size_t i = 0; i < leftovers.size() && !found; ++i) {
            if (!claimed[i] && Matches(row, leftovers[i])) {
                claimed[i] = found = true;
            }
        }
        if (row.needsClassChecks && !kClassChecksPresent) {
            std::cout << (found ? "found early: " : "awaits the class checks: ") << row.check
                      << " [" << row.keyText << "]\n";
            continue;
        }
        EXPECT_TRUE(found) << row.check << ": [" << row.keyText << "] " << row.value;
    }
    for (std::size_t i = 0; i < leftovers.size(); ++i) {
        EXPECT_TRUE(claimed[i]) << "not a leftover of the table: " << Listed({leftovers[i]});
    }

    // What the fix will touch, as it is now.
    std::map<std::uint32_t, test::Snapshot> areas;
    std::map<std::string, FileState> shortcuts;
    for (TItem& issue : leftovers) {
        issue.Selected = 1;
        if (IsFileCategory(issue.Category)) {
            FileState& state = shortcuts[issue.Key + issue.Value];
            platform::Os().ReadWholeFile(issue.Key + issue.Value, state.bytes);
            state.attributes = platform::Os().FileAttributes(issue.Key + issue.Value);
        } else {
            test::AddToSnapshot(issue.RootKey, issue.Key.substr(1), areas[issue.RootKey]);
        }
    }

    // One fix, and the next analysis finds nothing of theirs.
    CreateDirectoryA("C:\\MendrakeBedBackup", nullptr);
    const std::string backup = "C:\\MendrakeBedBackup\\20261211093000_backup.reg";
    const FixResult fixed = FixIssues(leftovers, backup);
    EXPECT_TRUE(fixed.notFixed.empty());
    std::vector<TItem> afterFix = OursIn(test::Added(before, test::Scan(kAllCategories)));
    if (!kClassChecksPresent) {
        // Until the class checks arrive, a program id naming the removed class shows up now.
        std::erase_if(afterFix, [](const TItem& item) {
            return item.Category == 5 && item.Kind == 1 &&
                   UpperCase(item.KeyText) == "HKCR\\MENDRAKEBED.DOCUMENT\\CLSID";
        });
    }
    EXPECT_EQ("", Listed(afterFix)) << "one fix is enough";

    // The backup gives back the registry and the shortcut files exactly.
    const RestoreResult restored = RestoreBackup(fixed.backupPath.value_or(backup));
    std::string failures;
    for (const std::string& failure : restored.failures) {
        failures += failure + "\n";
    }
    EXPECT_EQ("", failures);
    std::map<std::uint32_t, test::Snapshot> now;
    for (const auto& [root, snapshot] : areas) {
        for (const TItem& issue : leftovers) {
            if (issue.RootKey == root && !IsFileCategory(issue.Category)) {
                test::AddToSnapshot(root, issue.Key.substr(1), now[root]);
            }
        }
        EXPECT_EQ("", test::Differences(snapshot, now[root])) << "root " << root;
    }
    for (const auto& [path, state] : shortcuts) {
        FileState back;
        platform::Os().ReadWholeFile(path, back.bytes);
        back.attributes = platform::Os().FileAttributes(path);
        EXPECT_EQ(state.bytes, back.bytes) << path;
        EXPECT_EQ(state.attributes, back.attributes) << path;
    }

    // A proper uninstall of each program: nothing of theirs is reported afterwards. Windows
    // Installer uninstalls from its own cached package; the NSIS uninstallers run from their
    // copies, told where the program was ("_?=" keeps them from copying themselves elsewhere).
    for (const std::string& msi : MsiPackages()) {
        EXPECT_EQ(0u, RunAndWait("msiexec.exe /x \"" + msi + "\" /qn")) << msi;
    }
    EXPECT_EQ(0u, RunAndWait(kept + "\\machine-uninstall.exe /S _?=C:\\Program "
                                    "Files\\MendrakeBedMachine"));
    EXPECT_EQ(0u, RunAndWait(kept + "\\user-uninstall.exe /S _?=" + userFolder_));
    EXPECT_EQ("", Listed(OursIn(test::Added(before, test::Scan(kAllCategories)))))
        << "nothing is left after a proper uninstall";
}

} // namespace
} // namespace mendrake
