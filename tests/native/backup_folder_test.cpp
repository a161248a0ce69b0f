// Where backups go: the program's folder for an unpacked copy that can write there, the user's
// own folder for the installed copy or a folder the user cannot write to; the console's fix and
// its backup listing agree on it.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "platform/memory/memory_platform.h"
#include "repair/backup_folder.h"
#include "repair/fix.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

const std::string kUserFolder = "C:\\users\\tester\\AppData\\Local\\Kestrava\\Mendrake\\Backups\\";
const std::string kUninstallEntry =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Mendrake";
// Where the Windows Installer package records its copy.
const std::string kPackageKey = "Software\\Kestrava\\Mendrake";

class BackupFolderRule : public testing::Test {
  protected:
    BackupFolderRule() {
        os.programFolder = "C:\\Program Files\\Mendrake\\";
        os.AddFolder(os.programFolder);
        os.AddFolder(os.localAppDataFolder);
    }
    // An installed copy in `location`, as the setup program (or the package) records it.
    void Install(std::string_view location, const std::string& key = kUninstallEntry) {
        os.PutText(platform::kLocalMachine, key, "InstallLocation", location);
    }
    // Every entry of a folder but "." and "..".
    std::vector<std::string> Entries(const std::string& folder) {
        std::vector<std::string> names;
        for (const platform::FindEntry& entry : os.ListFolder(folder + "*")) {
            if (entry.name != "." && entry.name != "..") {
                names.push_back(entry.name);
            }
        }
        return names;
    }

    platform::MemoryPlatform os;
    platform::ScopedOs installed{os};
};

TEST_F(BackupFolderRule, TheInstalledCopyKeepsBackupsInTheUsersFolderWhateverItsSpelling) {
    const struct {
        const char* location;
        bool installed;
    } cases[] = {
        {"C:\\Program Files\\Mendrake", true}, {"C:\\Program Files\\Mendrake\\", true},
        {"c:\\program files\\MENDRAKE", true}, {"C:\\Program Files\\Mendrake2", false},
        {"D:\\Tools\\Mendrake", false},        {"", false},
    };
    for (const std::string& key : {kUninstallEntry, kPackageKey}) {
        for (const auto& c : cases) {
            Install(c.location, key);
            EXPECT_EQ(c.installed, IsInstalledFolder(os.programFolder)) << key << c.location;
            EXPECT_EQ(c.installed ? kUserFolder : os.programFolder, BackupFolder())
                << key << ": " << c.location;
        }
    }
}

// The package's key is read as well when the setup program's entry names another folder (a
// copy it installed elsewhere before), and the other way round.
TEST_F(BackupFolderRule, EitherInstallersRecordMakesTheFolderTheInstalledCopys) {
    const struct {
        const char* setupProgram;
        const char* package;
        bool installed;
    } cases[] = {
        {"D:\\Tools\\Mendrake", "C:\\Program Files\\Mendrake\\", true},
        {"C:\\Program Files\\Mendrake", "D:\\Tools\\Mendrake\\", true},
        {"D:\\Tools\\Mendrake", "", false},
    };
    for (const auto& c : cases) {
        Install(c.setupProgram);
        Install(c.package, kPackageKey);
        EXPECT_EQ(c.installed, IsInstalledFolder(os.programFolder))
            << c.setupProgram << " | " << c.package;
    }
}

TEST_F(BackupFolderRule, AnUnpackedCopyThatCanWriteKeepsBackupsBesideItselfAndLeavesNoTrace) {
    os.programFolder = "E:\\Rescue\\Mendrake\\";
    os.AddFolder(os.programFolder);
    Install("C:\\Program Files\\Mendrake"); // an installed copy elsewhere changes nothing
    EXPECT_EQ(os.programFolder, BackupFolder());
    EXPECT_EQ(os.programFolder, BackupFolderForWriting());
    EXPECT_TRUE(Entries(os.programFolder).empty()) << Entries(os.programFolder).front();
    EXPECT_EQ(platform::kInvalidAttributes, platform::Os().FileAttributes(kUserFolder));
}

TEST_F(BackupFolderRule, AFolderTheUserCannotWriteToSendsBackupsToTheUsersFolder) {
    os.programFolder = "E:\\Rescue\\Mendrake\\";
    os.AddFolder(os.programFolder);
    os.FailNextWrite(platform::FileWriteResult::Stage::Create, platform::kAccessDenied);
    EXPECT_EQ(kUserFolder, BackupFolder());
}

TEST_F(BackupFolderRule, TheEntryIsReadWithoutWriteAccessAndMustHoldText) {
    Install("C:\\Program Files\\Mendrake");
    os.DenyFullAccess(platform::kLocalMachine, kUninstallEntry); // a standard user
    EXPECT_TRUE(IsInstalledFolder(os.programFolder));
    os.PutNumber(platform::kLocalMachine, kUninstallEntry, "InstallLocation", 1);
    EXPECT_FALSE(IsInstalledFolder(os.programFolder));
}

TEST_F(BackupFolderRule, TheUsersFolderIsMadeOnlyWhenABackupIsAboutToBeWritten) {
    Install("C:\\Program Files\\Mendrake");
    EXPECT_EQ(kUserFolder, BackupFolder());
    EXPECT_EQ(platform::kInvalidAttributes, platform::Os().FileAttributes(kUserFolder));
    EXPECT_EQ(kUserFolder + "20261210142530_backup.reg", DefaultBackupPath());
    EXPECT_EQ(platform::kAttrDirectory, platform::Os().FileAttributes(kUserFolder));
}

TEST_F(BackupFolderRule, WithoutAUserFolderTheProgramsFolderIsUsed) {
    Install("C:\\Program Files\\Mendrake");
    os.localAppDataFolder.clear();
    EXPECT_EQ(os.programFolder, BackupFolder());
}

// The console's fix writes where its backup listing looks: an installed copy's undo lives in
// the user's folder, and the program's folder gets nothing.
TEST_F(BackupFolderRule, TheConsoleFixAndItsListingAgreeOnTheInstalledCopysFolder) {
    Install("C:\\Program Files\\Mendrake");
    os.PutText(platform::kCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Gone",
               "C:\\Gone\\gone.exe");
    testing::internal::CaptureStdout();
    const int fixed = cli::RunCommand(cli::ParseArguments({"fix", "--category", "10"}));
    const int listed = cli::RunCommand(cli::ParseArguments({"backups"}));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(0, fixed) << out;
    EXPECT_EQ(0, listed) << out;
    EXPECT_TRUE(os.FileExists(kUserFolder + "20261210142530_backup.reg")) << out;
    EXPECT_NE(std::string::npos, out.find(kUserFolder + "20261210142530_backup.reg")) << out;
    EXPECT_TRUE(Entries(os.programFolder).empty()) << out;
}

} // namespace
} // namespace mendrake
