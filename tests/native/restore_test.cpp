// Restoring a backup on the memory platform: what cannot be written or read back is listed
// entry by entry, a damaged backup changes nothing, the kept shortcut files go back without
// replacing anything, and the backups of a folder are listed newest first.
#include "repair/restore.h"

#include "engine/error.h"
#include "platform/memory/memory_platform.h"
#include "repair/backup_list.h"
#include "repair/fix.h"
#include "repair/kept_files.h"
#include "repair/regexport_unit.h"
#include "tests/support/registry_snapshot.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using namespace std::string_literals;
using platform::kCurrentUser;
using platform::kLocalMachine;

const std::string kFolder = "C:\\Program Files\\Mendrake\\";
const std::string kShellFolders =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kUserDesktop = "C:\\Users\\me\\Desktop\\";
const std::string kCommonDesktop = "C:\\Users\\Public\\Desktop\\";

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

// Type and bytes of a value, comparable in one expectation.
std::pair<std::uint32_t, std::string> Of(const platform::RegValue& value) {
    return {value.type, value.data};
}

TItem FileIssue(const std::string& path) {
    TItem issue;
    issue.Category = kDesktopCategory;
    issue.RootKey = static_cast<std::uint32_t>(kLocalMachine);
    issue.Key = path.substr(0, path.rfind('\\') + 1);
    issue.Value = path.substr(path.rfind('\\') + 1);
    return issue;
}

class RestoreTest : public testing::Test {
  protected:
    RestoreTest() {
        os.AddFolder(kFolder);
        // The desktops the scan walks, and where kept shortcuts may go back to.
        os.PutText(kCurrentUser, kShellFolders, "Desktop", kUserDesktop.substr(0, 19));
        os.PutText(kLocalMachine, kShellFolders, "Common Desktop", kCommonDesktop);
    }

    // Writes `text` as a backup of the program's folder and restores it.
    RestoreResult Restore(const std::string& text, const std::string& name = "b_backup.reg",
                          bool overwrite = false) {
        os.AddFile(kFolder + name, text);
        return RestoreBackup(kFolder + name, overwrite);
    }

    platform::MemoryPlatform os;
    platform::ScopedOs installed{os};
};

// Keys are created with every missing level, values get their exact type and bytes, with
// --overwrite the script's deletions are carried out, and each is counted once however often
// it appears.
TEST_F(RestoreTest, WritesAndCountsWhatReadsBack) {
    os.PutText(kCurrentUser, "Soft\\Old", "x", "y");
    os.PutText(kCurrentUser, "Soft\\Keep", "Gone", "y");
    const RestoreResult result = Restore("REGEDIT4\r\n\r\n"
                                         "[HKEY_CURRENT_USER\\Soft\\New\\Deep]\r\n"
                                         "@=\"default\"\r\n"
                                         "\"Bin\"=hex(0):00,01\r\n\r\n"
                                         "[HKEY_CURRENT_USER\\Soft\\Keep]\r\n"
                                         "\"Gone\"=-\r\n"
                                         "\"Odd\"=hex(4):01,02,03\r\n\r\n"
                                         "[-HKEY_CURRENT_USER\\Soft\\Old]\r\n\r\n"
                                         "[HKEY_CURRENT_USER\\soft\\new\\deep]\r\n"
                                         "@=\"default\"\r\n",
                                         "b_backup.reg", true);
    EXPECT_EQ("", Joined(result.failures));
    EXPECT_EQ(2u, result.keys);
    EXPECT_EQ(3u, result.values);
    EXPECT_EQ(0u, result.files);
    EXPECT_FALSE(os.KeyExists(kCurrentUser, "Soft\\Old"));
    const test::Snapshot now = test::TakeSnapshot(kCurrentUser, "Soft");
    EXPECT_EQ(std::make_pair(platform::kRegSz, "default\0"s), Of(now.at("Soft\\New\\Deep").at("")));
    EXPECT_EQ(std::make_pair(platform::kRegNone, "\0\x01"s),
              Of(now.at("Soft\\New\\Deep").at("Bin")));
    EXPECT_EQ(std::make_pair(platform::kRegDword, "\x01\x02\x03"s),
              Of(now.at("Soft\\Keep").at("Odd")));
    EXPECT_EQ(0u, now.at("Soft\\Keep").count("Gone"));
    EXPECT_EQ("Restored 2 keys, 3 values and 0 files from C:\\b_backup.reg",
              RestoreSummary(result, "C:\\b_backup.reg"));
}

// A key the user may only read, a value the platform refuses, text the ANSI code page cannot
// hold and a value line without data: each is one line of the result, the rest is restored.
TEST_F(RestoreTest, ListsEveryEntryThatCannotBeWritten) {
    os.PutText(kLocalMachine, "Soft\\Locked", "Old", "kept");
    os.DenyWrites(kLocalMachine, "Soft\\Locked");
    const std::string script = "REGEDIT4\r\n\r\n"
                               "[HKEY_LOCAL_MACHINE\\Soft\\Locked]\r\n"
                               "\"Old\"=\"kept\"\r\n\"Other\"=dword:00000001\r\n"
                               "\"More\"=\"x\"\r\n\r\n"
                               "[HKEY_LOCAL_MACHINE\\Soft\\Locked\\Below]\r\n\r\n"
                               "[HKEY_LOCAL_MACHINE\\Soft\\Open]\r\n"
                               "\"Fine\"=\"yes\"\r\n\"Empty\"=\r\n\r\n";
    const RestoreResult result = Restore(script);
    EXPECT_EQ("HKEY_LOCAL_MACHINE\\Soft\\Open \"Empty\": the backup holds no data for it; not "
              "written\n"
              "HKEY_LOCAL_MACHINE\\Soft\\Locked: cannot be created or opened for writing: "
              "Access denied. Its 2 values were not written.\n"
              "HKEY_LOCAL_MACHINE\\Soft\\Locked\\Below: cannot be created or opened for "
              "writing: Access denied.\n",
              Joined(result.failures));
    EXPECT_EQ(1u, result.keys);
    EXPECT_EQ(1u, result.values) << "Old was there already, unreadably for writing";
    EXPECT_EQ("kept\0"s,
              test::TakeSnapshot(kLocalMachine, "Soft").at("Soft\\Locked").at("Old").data);

    const std::u16string wide = u"Windows Registry Editor Version 5.00\r\n\r\n"
                                u"[HKEY_LOCAL_MACHINE\\Soft\\Open]\r\n\"W\"=\"\u4e2d\"\r\n";
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : wide) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    EXPECT_EQ("Line 4: HKEY_LOCAL_MACHINE\\Soft\\Open \"W\": cannot be written exactly; not "
              "written\n",
              Joined(Restore(bytes, "w_backup.reg").failures));

    os.failSetValue = platform::kAccessDenied;
    EXPECT_EQ("HKEY_LOCAL_MACHINE\\Soft\\Open \"New\": cannot be written: Access denied.\n",
              Joined(Restore("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Soft\\Open]\r\n\"New\"=\"\"\r\n",
                             "f_backup.reg")
                         .failures));
}

// A backup cut off inside a line is refused as a whole: the registry is left as it was. (A cut
// at a line end leaves a shorter script that reads well: REGEDIT4 has no trailer to miss.)
TEST_F(RestoreTest, DamagedBackupChangesNothing) {
    const std::string script = "REGEDIT4\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Soft\\A]\r\n\"Text\"=\"abc\"\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Soft\\B]\r\n"
                               "\"Bin\"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,\\\r\n"
                               "10,11\r\n\"Num\"=dword:00000010\r\n\r\n";
    os.PutText(kCurrentUser, "Soft\\A", "Text", "changed");
    const test::Snapshot before = test::TakeSnapshot(kCurrentUser, "Soft");
    for (const std::size_t cut : {script.size() - 8, script.size() - 25, script.size() - 30,
                                  std::size_t{36}, std::size_t{52}}) {
        SCOPED_TRACE(script.substr(0, cut));
        try {
            Restore(script.substr(0, cut));
            ADD_FAILURE() << "restored a cut-off backup";
        } catch (const Error& e) {
            EXPECT_EQ(0u, std::string(e.what()).rfind("Line ", 0)) << e.what();
        }
        EXPECT_EQ("", test::Differences(before, test::TakeSnapshot(kCurrentUser, "Soft")));
    }
    EXPECT_THROW(RestoreBackup(kFolder + "missing_backup.reg"), Error);
}

// With a backup, the fix moves the shortcut files beside it and lists them; without one they
// are deleted. A restore puts each back with its bytes, making a folder that went, and never
// replaces a file that is there again.
TEST_F(RestoreTest, ShortcutFilesAreKeptAndPutBack) {
    const std::string user = kUserDesktop, common = kCommonDesktop;
    os.AddFile(user + "Gone.lnk", "user shortcut bytes");
    os.AddFile(common + "Gone.lnk", "common shortcut bytes");
    os.AddFile(common + "Tools\\Old.lnk", "old");
    std::vector<TItem> issues = {FileIssue(user + "Gone.lnk"), FileIssue(common + "Gone.lnk"),
                                 FileIssue(common + "Tools\\Old.lnk"),
                                 FileIssue(common + "NotThere.lnk")};
    const std::string backup = kFolder + "20261210142530_backup.reg";
    FixIssues(issues, backup);
    const std::string kept = kFolder + "20261210142530_backup.files\\";
    EXPECT_EQ(kept, BackupFilesFolder(backup));
    EXPECT_EQ(user + "Gone.lnk\tGone.lnk\r\n" + common + "Gone.lnk\tGone (2).lnk\r\n" + common +
                  "Tools\\Old.lnk\tOld.lnk\r\n",
              os.FileContents(kept + kManifestName))
        << "a file that could not be moved is not listed";
    EXPECT_EQ("common shortcut bytes", os.FileContents(kept + "Gone (2).lnk"));
    for (const TItem& issue : issues) {
        EXPECT_FALSE(os.FileExists(issue.Key + issue.Value));
    }

    os.DeleteFileAt(kept + "Old.lnk");
    os.AddFile(common + "Gone.lnk", "a new file of the same name");
    // The Tools folder went with its last shortcut; the restore makes it again.
    const RestoreResult result = RestoreBackup(backup);
    EXPECT_EQ(common + "Gone.lnk: is there again; not replaced\n" + common +
                  "Tools\\Old.lnk: its kept copy " + kept + "Old.lnk is missing\n",
              Joined(result.failures));
    EXPECT_EQ(1u, result.files);
    EXPECT_EQ("user shortcut bytes", os.FileContents(user + "Gone.lnk"));
    EXPECT_EQ("a new file of the same name", os.FileContents(common + "Gone.lnk"));
    EXPECT_EQ("common shortcut bytes", os.FileContents(kept + "Gone (2).lnk"));

    os.AddFile(user + "Again.lnk", "x");
    DeleteIssues({FileIssue(user + "Again.lnk")});
    EXPECT_FALSE(os.FileExists(user + "Again.lnk")) << "without a backup the file is deleted";
}

// What is there again is not overwritten: a value absent is written, one with the backup's
// type and bytes is already restored, one with anything else has changed since the backup and
// stays as it is (one line each); a key the backup deletes goes only when it holds nothing the
// backup does not write back. --overwrite then carries the script out as it stands.
TEST_F(RestoreTest, EntriesChangedSinceTheBackupAreNotOverwritten) {
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    os.PutText(kCurrentUser, run, "Same", "C:\\same.exe");
    os.PutText(kCurrentUser, run, "App", "C:\\Program Files\\App\\app.exe"); // reinstalled
    os.PutText(kCurrentUser, run, "Typed", "C:\\t.exe", platform::kRegExpandSz);
    os.PutText(kCurrentUser, "Soft\\Class\\InprocServer32", "", "C:\\new\\server.dll");
    os.PutText(kCurrentUser, "Soft\\Cut", "Extra", "written since");
    os.PutText(kCurrentUser, "Soft\\Cut", "Kept", "same");
    os.PutText(kCurrentUser, "Soft\\Again", "Kept", "same");
    os.AddKey(kCurrentUser, "Soft\\Again\\Sub");
    os.AddKey(kCurrentUser, "Soft\\Empty");
    os.PutText(kCurrentUser, "Soft\\Values", "Unwanted", "set since");
    const std::string script = "REGEDIT4\r\n\r\n"
                               "[HKEY_CURRENT_USER\\" +
                               run +
                               "]\r\n"
                               "\"Same\"=\"C:\\\\same.exe\"\r\n"
                               "\"App\"=\"C:\\\\Old\\\\gone.exe\"\r\n"
                               "\"Typed\"=\"C:\\\\t.exe\"\r\n"
                               "\"Absent\"=\"C:\\\\absent.exe\"\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Soft\\Class\\InprocServer32]\r\n"
                               "@=\"C:\\\\old\\\\server.dll\"\r\n\r\n"
                               "[-HKEY_CURRENT_USER\\Soft\\Cut]\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Soft\\Cut]\r\n\"Kept\"=\"same\"\r\n\r\n"
                               "[-HKEY_CURRENT_USER\\Soft\\Again]\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Soft\\Again\\Sub]\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Soft\\Again]\r\n\"Kept\"=\"same\"\r\n"
                               "\"New\"=dword:00000002\r\n\r\n"
                               "[-HKEY_CURRENT_USER\\Soft\\Empty]\r\n\r\n"
                               "[-HKEY_CURRENT_USER\\Soft\\Gone]\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Soft\\Values]\r\n\"Unwanted\"=-\r\n";
    const RestoreResult result = Restore(script);
    EXPECT_EQ("Not restored: HKCU\\Soft\\Cut: changed since the backup\n"
              "Not restored: HKCU\\" +
                  run +
                  "\\App: changed since the backup\n"
                  "Not restored: HKCU\\" +
                  run +
                  "\\Typed: changed since the backup\n"
                  "Not restored: HKCU\\Soft\\Class\\InprocServer32\\(Default): changed since the "
                  "backup\n"
                  "Not restored: HKCU\\Soft\\Values\\Unwanted: changed since the backup\n",
              Joined(result.failures));
    EXPECT_EQ(5u, result.conflicts);
    // Each conflict with what is there now and what the backup holds, as script data.
    struct Changed {
        std::string location, now, backup; // "" for not there
        bool key;
    };
    const std::vector<Changed> changed = {
        {"HKCU\\Soft\\Cut", "", "", true},
        {"HKCU\\" + run + "\\App", "\"C:\\\\Program Files\\\\App\\\\app.exe\"",
         "\"C:\\\\Old\\\\gone.exe\"", false},
        {"HKCU\\" + run + "\\Typed", "hex(2):43,3A,5C,74,2E,65,78,65,00", "\"C:\\\\t.exe\"", false},
        {"HKCU\\Soft\\Class\\InprocServer32\\(Default)", "\"C:\\\\new\\\\server.dll\"",
         "\"C:\\\\old\\\\server.dll\"", false},
        {"HKCU\\Soft\\Values\\Unwanted", "\"set since\"", "", false},
    };
    ASSERT_EQ(changed.size(), result.changed.size());
    for (std::size_t i = 0; i < changed.size(); ++i) {
        const RestoreConflict& got = result.changed[i];
        SCOPED_TRACE(changed[i].location);
        EXPECT_EQ(changed[i].location, got.location);
        EXPECT_EQ(changed[i].key, got.key);
        EXPECT_EQ(changed[i].now, got.now ? ValueDataText(*got.now) : "");
        EXPECT_EQ(changed[i].backup, got.backup ? ValueDataText(*got.backup) : "");
        EXPECT_EQ(result.failures[i], got.failure);
    }
    EXPECT_EQ(6u, result.keys) << "Run, InprocServer32, Cut, Again\\Sub, Again, Values";
    EXPECT_EQ(5u, result.values) << "Same, Absent, Cut's Kept, Again's Kept and New";
    const test::Snapshot now = test::TakeSnapshot(kCurrentUser, "Soft");
    EXPECT_EQ("C:\\Program Files\\App\\app.exe\0"s,
              test::TakeSnapshot(kCurrentUser, run).at(run).at("App").data);
    EXPECT_EQ("C:\\absent.exe\0"s, test::TakeSnapshot(kCurrentUser, run).at(run).at("Absent").data);
    EXPECT_EQ("C:\\new\\server.dll\0"s, now.at("Soft\\Class\\InprocServer32").at("").data);
    EXPECT_EQ("written since\0"s, now.at("Soft\\Cut").at("Extra").data);
    EXPECT_EQ(1u, now.count("Soft\\Again\\Sub"));
    EXPECT_EQ("\x02\0\0\0"s, now.at("Soft\\Again").at("New").data);
    EXPECT_EQ(0u, now.count("Soft\\Empty")) << "an empty key the backup deletes goes";
    EXPECT_EQ("set since\0"s, now.at("Soft\\Values").at("Unwanted").data);

    const RestoreResult again = Restore(script, "b_backup.reg", true);
    EXPECT_EQ("", Joined(again.failures));
    EXPECT_EQ(0u, again.conflicts);
    const test::Snapshot over = test::TakeSnapshot(kCurrentUser, "Soft");
    EXPECT_EQ("C:\\Old\\gone.exe\0"s, test::TakeSnapshot(kCurrentUser, run).at(run).at("App").data);
    EXPECT_EQ("C:\\old\\server.dll\0"s, over.at("Soft\\Class\\InprocServer32").at("").data);
    EXPECT_EQ(0u, over.at("Soft\\Cut").count("Extra")) << "deleted, then written back";
    EXPECT_EQ(1u, over.count("Soft\\Again\\Sub")) << "deleted, then written again";
    EXPECT_EQ(0u, over.at("Soft\\Values").count("Unwanted"));
}

// The fix removed a dead Run value and the program was installed again since: its restore
// finds the value changed and leaves the live one; the same-named value the backup holds from
// a subkey the fix left alone is already there.
TEST_F(RestoreTest, AReinstalledProgramKeepsItsNewSettings) {
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    os.PutText(kCurrentUser, run, "App", "C:\\Old\\gone.exe");
    os.PutText(kCurrentUser, run + "\\Below", "App", "stays"); // exported, not deleted
    TItem issue;
    issue.Selected = 1;
    issue.Category = 10;
    issue.RootKey = static_cast<std::uint32_t>(kCurrentUser);
    issue.Key = "\\" + run;
    issue.Value = "App";
    const std::string backup = kFolder + "20261210142530_backup.reg";
    FixIssues({issue}, backup);
    ASSERT_EQ(0u, test::TakeSnapshot(kCurrentUser, run).at(run).count("App"));
    os.PutText(kCurrentUser, run, "App", "C:\\New\\app.exe");

    const RestoreResult result = RestoreBackup(backup);
    EXPECT_EQ("Not restored: HKCU\\" + run + "\\App: changed since the backup\n",
              Joined(result.failures));
    EXPECT_EQ(1u, result.values) << "Below's App, already there";
    EXPECT_EQ("C:\\New\\app.exe\0"s, test::TakeSnapshot(kCurrentUser, run).at(run).at("App").data);
    EXPECT_EQ("Restored 2 keys, 1 value and 0 files from x", RestoreSummary(result, "x"));
}

// The kept files' list is written before the first file moves, and when it cannot be, the
// folder goes again; a files folder that cannot be read fails the file part alone.
TEST_F(RestoreTest, FilesFolderProblemsFailOnlyTheFiles) {
    os.AddFile(kUserDesktop + "Gone.lnk", "bytes");
    const std::string backup = kFolder + "20261210142530_backup.reg";
    os.FailNextWrite(platform::FileWriteResult::Stage::Create, platform::kAccessDenied);
    FileKeeper keeper(BackupFilesFolder(backup));
    EXPECT_FALSE(keeper.Keep(kUserDesktop + "Gone.lnk"));
    EXPECT_TRUE(os.FileExists(kUserDesktop + "Gone.lnk"));
    EXPECT_EQ(platform::kInvalidAttributes,
              platform::Os().FileAttributes(kFolder + "20261210142530_backup.files"))
        << "no folder without its list";
    EXPECT_TRUE(keeper.Keep(kUserDesktop + "Gone.lnk")) << "the next file tries again";
    EXPECT_EQ(kUserDesktop + "Gone.lnk\tGone.lnk\r\n",
              os.FileContents(BackupFilesFolder(backup) + kManifestName));

    // A folder whose list is missing (or unreadable): the registry part is restored.
    os.AddFile(kFolder + "other_backup.reg",
               "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Soft\\Back]\r\n\"v\"=\"1\"\r\n");
    os.AddFolder(kFolder + "other_backup.files");
    const RestoreResult result = RestoreBackup(kFolder + "other_backup.reg");
    ASSERT_EQ(1u, result.failures.size());
    EXPECT_EQ(0u, result.failures[0].find(kFolder + "other_backup.files\\: the kept shortcut "
                                                    "files cannot be put back: Cannot read file"))
        << result.failures[0];
    EXPECT_EQ(1u, result.values);
    EXPECT_TRUE(os.KeyExists(kCurrentUser, "Soft\\Back"));
}

// A manifest line may only put a shortcut back into the start-menu and desktop folders the
// scan walks, by a plain path through real folders: anything else is refused and nothing is
// made there.
TEST_F(RestoreTest, KeptFilesGoBackOnlyIntoTheShellFolders) {
    const std::string kept = kFolder + "20261210142530_backup.files\\";
    os.AddFolder(kUserDesktop + "Linked", platform::kAttrDirectory | platform::kAttrReparsePoint);
    const std::vector<std::string> refused = {
        "C:\\windows\\system32\\evil.dll",
        "C:\\windows\\system32\\evil.lnk",
        kUserDesktop + "..\\..\\..\\..\\windows\\system32\\evil.lnk",
        kUserDesktop + "sub\\..\\..\\evil.lnk",
        kUserDesktop + ".\\evil.lnk",
        kUserDesktop + "evil.exe",
        kUserDesktop + "evil.lnk:stream",
        kUserDesktop + "evil.lnk.",
        "C:/Users/me/Desktop/evil.lnk",
        kUserDesktop + "Linked\\evil.lnk",
        "C:\\Users\\me\\DesktopX\\evil.lnk",
        "\\\\?\\" + kUserDesktop + "evil.lnk",
    };
    std::string manifest;
    for (std::size_t i = 0; i < refused.size(); ++i) {
        const std::string name = "f" + std::to_string(i) + ".lnk";
        os.AddFile(kept + name, "planted");
        manifest += refused[i] + "\t" + name + "\r\n";
    }
    os.AddFile(kept + "ok.lnk", "fine");
    manifest += kUserDesktop + "New Folder\\ok.lnk\tok.lnk\r\n";
    os.AddFile(kept + kManifestName, manifest);
    const RestoreResult result = Restore("REGEDIT4\r\n", "20261210142530_backup.reg");
    std::string expected;
    for (const std::string& path : refused) {
        expected += path + ": " +
                    (path.find("Linked") != std::string::npos
                         ? "leads through a folder link or a file; not put back\n"
                         : "not a shortcut inside the Start Menu or Desktop folders; not put "
                           "back\n");
    }
    EXPECT_EQ(expected, Joined(result.failures));
    EXPECT_EQ(1u, result.files);
    EXPECT_EQ("fine", os.FileContents(kUserDesktop + "New Folder\\ok.lnk"));
    for (const char* where : {"C:\\windows\\system32\\evil.lnk", "C:\\windows\\system32\\evil.dll",
                              "C:\\evil.lnk", "C:\\Users\\evil.lnk"}) {
        EXPECT_FALSE(os.FileExists(where)) << where;
    }
}

TEST(KeptFiles, ManifestLinesMustHoldAPathAndAName) {
    EXPECT_EQ(2u, ParseManifest("C:\\a.lnk\ta.lnk\r\n\r\nC:\\b\\c.lnk\tc (2).lnk").size());
    for (const char* bad : {"C:\\a.lnk", "\ta.lnk", "C:\\a.lnk\t", "C:\\a.lnk\t..\\x.lnk"}) {
        EXPECT_THROW(ParseManifest(bad), Error) << bad;
    }
}

// The list: backup names only (with or without a sequence number), newest first, each with
// what it holds or why it cannot be read.
TEST_F(RestoreTest, ListsTheBackupsOfAFolderNewestFirst) {
    const std::string script = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=\"1\"\r\n"
                               "\"y\"=-\r\n\r\n[HKEY_CURRENT_USER\\a]\r\n\"X\"=\"2\"\r\n\r\n"
                               "[HKEY_CURRENT_USER\\B]\r\n";
    os.AddFile(kFolder + "20261210142530_backup.reg", script);
    os.AddFile(kFolder + "20261210142530_2_backup.reg", "REGEDIT4\r\n");
    os.AddFile(kFolder + "20261210142530_12_backup.reg", "REGEDIT4\r\n[x");
    os.AddFile(kFolder + "20251231235959_backup.reg", "REGEDIT4\r\n");
    os.AddFile(kFolder + "20261210142530_backup.files\\" + kManifestName, "C:\\a.lnk\ta.lnk\r\n");
    for (const char* other : {"2026121014253_backup.reg", "20261210142530_x_backup.reg",
                              "copy of 20261210142530_backup.reg", "20261210142530_backup.txt"}) {
        os.AddFile(kFolder + other, "REGEDIT4\r\n");
    }
    os.AddFolder(kFolder + "20261210142531_backup.reg");

    const std::vector<BackupEntry> list = ListBackups(kFolder.substr(0, kFolder.size() - 1));
    ASSERT_EQ(4u, list.size());
    EXPECT_EQ(kFolder + "20261210142530_12_backup.reg", list[0].path);
    EXPECT_EQ("Line 2: the key line does not end with ]", list[0].problem);
    EXPECT_EQ(kFolder + "20261210142530_2_backup.reg", list[1].path);
    EXPECT_EQ(kFolder + "20261210142530_backup.reg", list[2].path);
    EXPECT_EQ("2026-12-10 14:25:30", list[2].when);
    EXPECT_EQ(2u, list[2].keys) << "A and a are one key";
    EXPECT_EQ(1u, list[2].values);
    EXPECT_EQ(1u, list[2].files);
    EXPECT_EQ("2025-12-31 23:59:59", list[3].when);
}

} // namespace
} // namespace mendrake
