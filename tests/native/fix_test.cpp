// The fix on the memory platform: what the backup holds, what is deleted, the progress it
// reports, and that a backup which cannot be written stops it before anything is deleted.
#include "repair/fix.h"
#include "repair/regexport_unit.h"

#include "engine/error.h"
#include "platform/memory/memory_platform.h"
#include "tests/support/counting_platform.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using platform::kLocalMachine;
using platform::MemoryPlatform;

TItem RegistryIssue(const std::string& key, const std::string& value, bool deleteKey,
                    std::int32_t selected = 1) {
    TItem issue;
    issue.Selected = selected;
    issue.Category = 10;
    issue.RootKey = static_cast<std::uint32_t>(kLocalMachine);
    issue.Key = key;
    issue.Value = value;
    issue.DeleteKey = deleteKey;
    return issue;
}

TItem FileIssue(const std::string& folder, const std::string& name) {
    TItem issue;
    issue.Category = kStartMenuCategory;
    issue.RootKey = static_cast<std::uint32_t>(kLocalMachine);
    issue.Key = folder;
    issue.Value = name;
    return issue;
}

class FixTest : public testing::Test {
  protected:
    FixTest() {
        os.PutText(kLocalMachine, "Soft\\App", "Run", "gone.exe");
        os.PutText(kLocalMachine, "Soft\\App", "Keep", "kept.exe");
        os.AddKey(kLocalMachine, "Soft\\App\\Sub");
        os.PutText(kLocalMachine, "Soft\\Other", "Run", "other.exe");
        os.PutText(kLocalMachine, "Soft\\Unticked", "Run", "left.exe");
        os.AddFile("C:\\Menu\\Dead.lnk");
        os.AddFolder(os.programFolder);
    }
    MemoryPlatform os;
    platform::ScopedOs installed{os};
};

TEST_F(FixTest, BacksUpTickedRegistryIssuesThenDeletesEveryTickedIssue) {
    const std::vector<TItem> issues = {
        RegistryIssue("\\Soft\\App", "", true),     // the key first ...
        RegistryIssue("\\Soft\\App", "Run", false), // ... then a value inside it
        FileIssue("C:\\Menu\\", "Dead.lnk"),
        RegistryIssue("\\Soft\\Unticked", "Run", false, 0),
        RegistryIssue("\\Soft\\Other", "Run", false),
    };
    const std::string path = "C:\\Program Files\\Mendrake\\b.reg";
    EXPECT_EQ(4u, FixIssues(issues, path).attempted);

    const std::string app = "[HKEY_LOCAL_MACHINE\\Soft\\App]\r\n";
    EXPECT_EQ("REGEDIT4\r\n\r\n" + app +
                  "\"Run\"=\"gone.exe\"\r\n\"Keep\"=\"kept.exe\"\r\n\r\n"
                  "[HKEY_LOCAL_MACHINE\\Soft\\App\\Sub]\r\n\r\n" +
                  app +
                  "\"Run\"=\"gone.exe\"\r\n\r\n[HKEY_LOCAL_MACHINE\\Soft\\App\\Sub]\r\n\r\n"
                  "[HKEY_LOCAL_MACHINE\\Soft\\Other]\r\n\"Run\"=\"other.exe\"\r\n\r\n",
              os.FileContents(path));
    EXPECT_FALSE(os.KeyExists(kLocalMachine, "Soft\\App"));
    EXPECT_FALSE(os.FileExists("C:\\Menu\\Dead.lnk"));
    EXPECT_TRUE(os.KeyExists(kLocalMachine, "Soft\\Other"));
    EXPECT_FALSE(IssueEntryPresent(issues[4]));
    EXPECT_TRUE(IssueEntryPresent(issues[3])) << "an unticked issue is left alone";
}

TEST_F(FixTest, ValueIssueDeletesOnlyTheValue) {
    DeleteIssues({RegistryIssue("\\Soft\\App", "Run", false)});
    EXPECT_TRUE(os.KeyExists(kLocalMachine, "Soft\\App\\Sub"));
    EXPECT_FALSE(IssueEntryPresent(RegistryIssue("\\Soft\\App", "Run", false)));
    EXPECT_TRUE(IssueEntryPresent(RegistryIssue("\\Soft\\App", "Keep", false)));
}

TEST_F(FixTest, BackupThatCannotBeWrittenDeletesNothing) {
    const std::vector<TItem> issues = {RegistryIssue("\\Soft\\App", "", true),
                                       FileIssue("C:\\Menu\\", "Dead.lnk")};
    using Stage = platform::FileWriteResult::Stage;
    const struct {
        Stage stage;
        std::string message;
    } cases[] = {
        {Stage::Create,
         "Cannot create file \"C:\\Program Files\\Mendrake\\b.reg\". Access denied."},
        {Stage::Write, "Cannot write file \"C:\\Program Files\\Mendrake\\b.reg\". There is not "
                       "enough space on the disk."},
        {Stage::Close, "Cannot write file \"C:\\Program Files\\Mendrake\\b.reg\". There is not "
                       "enough space on the disk."},
    };
    for (const auto& c : cases) {
        os.FailNextWrite(c.stage, c.stage == Stage::Create ? 5 : 112);
        try {
            FixIssues(issues, std::string("C:\\Program Files\\Mendrake\\b.reg"));
            ADD_FAILURE() << "no error for stage " << static_cast<int>(c.stage);
        } catch (const Error& e) {
            EXPECT_EQ(c.message, e.what());
        }
        EXPECT_TRUE(os.KeyExists(kLocalMachine, "Soft\\App"));
        EXPECT_TRUE(os.FileExists("C:\\Menu\\Dead.lnk"));
        // A write that failed leaves its part behind; the next fix would take another name.
        os.DeleteFileAt("C:\\Program Files\\Mendrake\\b.reg");
    }
    // A folder that does not exist cannot hold the file either.
    EXPECT_THROW(FixIssues(issues, std::string("C:\\Nowhere\\b.reg")), Error);
    EXPECT_TRUE(os.KeyExists(kLocalMachine, "Soft\\App"));
}

// A fix with nothing to fix leaves no backup behind: an empty script would only crowd the list
// of backups.
TEST_F(FixTest, NothingTickedWritesNoBackupAndDeletesNothing) {
    for (const std::vector<TItem>& issues :
         {std::vector<TItem>{RegistryIssue("\\Soft\\App", "", true, 0)}, std::vector<TItem>{}}) {
        const FixResult result = FixIssues(issues, std::string("C:\\b.reg"));
        EXPECT_EQ(0u, result.attempted);
        EXPECT_FALSE(result.backupPath.has_value());
        EXPECT_FALSE(os.FileExists("C:\\b.reg"));
    }
    EXPECT_TRUE(os.KeyExists(kLocalMachine, "Soft\\App"));
    EXPECT_EQ("REGEDIT4\r\n\r\n", BackupScriptText({RegistryIssue("\\Soft\\App", "", true, 0)}));
}

TEST_F(FixTest, ProgressMovesBeforeEachIssueTickedOrNotThenReaches100) {
    std::vector<TItem> issues;
    for (int i = 0; i < 8; ++i) {
        issues.push_back(RegistryIssue("\\Soft\\Missing", "x", false, i % 2));
    }
    std::vector<int> positions;
    DeleteIssues(issues, [&](int position) { positions.push_back(position); });
    EXPECT_EQ((std::vector<int>{0, 12, 25, 38, 50, 62, 75, 88, 100}), positions);
    EXPECT_EQ(33, FixProgressPosition(1, 3));
    EXPECT_EQ(67, FixProgressPosition(2, 3));
    EXPECT_EQ(100, FixProgressPosition(5, 4)) << "never past 100";
}

// The registry calls of one fix, by kind, as a comparable text.
std::string RegistryCalls(const test::CallCounts& counts) {
    return "open " + std::to_string(counts.openKey) + ", close " + std::to_string(counts.closeKey) +
           ", info " + std::to_string(counts.queryInfoKey) + ", enum keys " +
           std::to_string(counts.enumKey) + ", enum values " + std::to_string(counts.enumValue) +
           ", query " + std::to_string(counts.queryValue) + ", delete key " +
           std::to_string(counts.deleteKey) + ", delete value " +
           std::to_string(counts.deleteValue);
}

// Under Wine every registry call is a round trip to the server: the backup reads a key's values
// in the calls that list them and asks for a value issue's value by its name, and a key without
// subkeys is deleted as soon as it is open, without asking for its subkeys.
TEST_F(FixTest, EachIssueCostsTheFewestRegistryCalls) {
    os.PutText(kLocalMachine, "Soft\\Leaf", "", "gone.exe");
    os.PutNumber(kLocalMachine, "Soft\\Leaf", "Count", 7);
    const struct {
        TItem issue;
        const char* calls;
    } cases[] = {
        {RegistryIssue("\\Soft\\Leaf", "", true), "open 2, close 2, info 0, enum keys 1, "
                                                  "enum values 3, query 0, delete key 1, "
                                                  "delete value 0"},
        {RegistryIssue("\\Soft\\Other", "Run", false), "open 2, close 2, info 0, enum keys 1, "
                                                       "enum values 0, query 1, delete key 0, "
                                                       "delete value 1"},
    };
    for (const auto& c : cases) {
        test::CountingPlatform counting(os);
        {
            platform::ScopedOs counted(counting);
            const FixResult result = FixIssues({c.issue}, std::string("C:\\calls.reg"));
            EXPECT_TRUE(result.notFixed.empty());
        }
        EXPECT_EQ(c.calls, RegistryCalls(counting.counts)) << c.issue.Key;
        EXPECT_FALSE(IssueEntryPresent(c.issue)) << c.issue.Key;
        os.DeleteFileAt("C:\\calls.reg");
    }
}

// A key with subkeys is emptied first through its open handle, a key too deep for one path is
// reached one name at a time, a key that was gone already counts as deleted, and one the user
// may read but not write stays, and so does every finding that depends on it.
TEST_F(FixTest, KeysGoWithTheirSubtreesAndKeysTheUserMayNotDeleteStay) {
    os.PutText(kLocalMachine, "Soft\\Deep\\A\\B", "v", "x");
    os.PutText(kLocalMachine, "Soft\\Locked", "v", "x");
    os.DenyFullAccess(kLocalMachine, "Soft\\Locked");
    os.PutText(kLocalMachine, "Soft\\Denied", "v", "x");
    os.DenyWrites(kLocalMachine, "Soft\\Denied");
    std::string longPath = "Soft\\Long";
    for (char level = 'a'; level < 'k'; ++level) {
        longPath += "\\" + std::string(40, level);
    }
    os.PutText(kLocalMachine, longPath, "v", "x");
    const struct {
        std::string key;
        bool gone;
    } cases[] = {
        {"Soft\\Deep", true},    {"Soft\\Missing", true}, {"Soft\\Locked", false},
        {"Soft\\Denied", false}, {longPath, true},
    };
    std::vector<TItem> issues;
    for (const auto& c : cases) {
        os.PutText(kLocalMachine, "Soft\\Dependents", c.key, "x");
        issues.push_back(RegistryIssue("\\" + c.key, "", true));
    }
    for (const auto& c : cases) {
        TItem dependent = RegistryIssue("\\Soft\\Dependents", c.key, false);
        dependent.DependsOn = {"HKLM\\" + c.key};
        issues.push_back(dependent);
    }
    DeleteIssues(issues);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(!cases[i].gone, IssueEntryPresent(issues[i])) << cases[i].key;
        EXPECT_EQ(!cases[i].gone, IssueEntryPresent(issues[i + std::size(cases)]))
            << "the finding that depends on " << cases[i].key;
    }
}

// The value a value issue deletes is the one its name reaches, whatever the case of its
// letters: the backup holds that value, under the name the issue gives.
TEST_F(FixTest, TheBackupHoldsTheValueTheDeletionReaches) {
    const TItem issue = RegistryIssue("\\Soft\\Other", "RUN", false);
    const FixResult result = FixIssues({issue}, std::string("C:\\case.reg"));
    EXPECT_TRUE(result.notFixed.empty());
    EXPECT_EQ("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Soft\\Other]\r\n\"RUN\"=\"other.exe\"\r\n\r\n",
              os.FileContents("C:\\case.reg"));
    EXPECT_FALSE(IssueEntryPresent(issue));
}

// A value whose data cannot be read stops its issue, whether the backup lists the key's values
// with their data or asks for the one value.
TEST_F(FixTest, AValueThatCannotBeReadIsNotFixed) {
    os.failQueryValue = platform::kMoreData;
    const std::vector<TItem> issues = {RegistryIssue("\\Soft\\Other", "", true),
                                       RegistryIssue("\\Soft\\Unticked", "Run", false)};
    const FixResult result = FixIssues(issues, std::string("C:\\unread.reg"));
    os.failQueryValue = 0;
    ASSERT_EQ(2u, result.notFixed.size());
    EXPECT_EQ("cannot be backed up: the value \"Run\" in \"HKEY_LOCAL_MACHINE\\Soft\\Other\" "
              "cannot be read",
              result.notFixed[0].reason);
    EXPECT_EQ("cannot be backed up: the value \"Run\" in "
              "\"HKEY_LOCAL_MACHINE\\Soft\\Unticked\" cannot be read",
              result.notFixed[1].reason);
    EXPECT_TRUE(IssueEntryPresent(issues[0]));
    EXPECT_TRUE(IssueEntryPresent(issues[1]));
}

TEST(BackupName, IsTheLocalTimeInFourteenDigits) {
    EXPECT_EQ("20070315142530_backup.reg", BackupFileName({2007, 3, 15, 14, 25, 30}));
    MemoryPlatform os;
    platform::ScopedOs installed(os);
    os.now = {2026, 1, 2, 3, 4, 5};
    os.AddFolder(os.programFolder); // the running program's folder, which it can write to
    EXPECT_EQ("C:\\Program Files\\Mendrake\\20260102030405_backup.reg", DefaultBackupPath());
}

TEST(RegExportWalk, RootNames) {
    EXPECT_EQ("HKEY_DYN_DATA", RootKeyName(0x80000006u));
    EXPECT_EQ("", RootKeyName(0x80000007u));
}

} // namespace
} // namespace mendrake
