// Hostile but legal contents on the memory platform, which models the ANSI conversion of the
// wide registry: the fix leaves alone whatever its backup cannot give back, the scanners never
// judge an entry by a name or a path that is not its own, a malformed number or a folder link
// cannot stop or misdirect an analysis, and no backup replaces another.
#include "engine/algorithm_unit.h"
#include "engine/error.h"
#include "engine/issue_model.h"
#include "platform/memory/memory_platform.h"
#include "repair/fix.h"
#include "repair/regexport_unit.h"
#include "tests/native/lnk_crafted_shortcuts.h"
#include "tests/support/fixtures.h"
#include "tests/support/hostile_cases.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace mendrake {
namespace {

using platform::kCurrentUser;
using platform::kLocalMachine;
using platform::MemoryPlatform;

const std::u16string kHostile = u"Software\\MendrakeTests\\Hostile";

TItem KeyIssue(const std::string& key) {
    TItem issue;
    issue.Category = 5;
    issue.KeyText = "HKCU" + key;
    issue.RootKey = static_cast<std::uint32_t>(kCurrentUser);
    issue.Key = key;
    issue.DeleteKey = true;
    return issue;
}

std::string ClassKey(std::size_t index) {
    return "\\Software\\MendrakeTests\\Hostile\\C" + std::to_string(index);
}

std::u16string Utf16Of(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

class HostileContents : public testing::Test {
  protected:
    HostileContents() { os.AddFolder(os.programFolder); }
    MemoryPlatform os;
    platform::ScopedOs installed{os};
};

// Each case under its own stale class, all fixed at once with a backup: a class the backup
// can hold goes and its value stands in the backup as the registry editor needs it; any other
// is reported with its reason and keeps everything. In Windows-1252 (a Windows that ignores the
// manifest) and in UTF-8, where names and text in any script are backed up and fixed.
class HostileInCodePage : public HostileContents,
                          public testing::WithParamInterface<platform::CodePageModel> {};

INSTANTIATE_TEST_SUITE_P(CodePages, HostileInCodePage,
                         testing::Values(platform::CodePageModel::Latin1,
                                         platform::CodePageModel::Utf8));

TEST_P(HostileInCodePage, FixDeletesOnlyWhatItsBackupGivesBackExactly) {
    using namespace std::string_literals;
    os.codePage = GetParam();
    const bool utf8 = GetParam() == platform::CodePageModel::Utf8;
    const auto& cases = test::HostileCases();
    std::vector<TItem> issues;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const test::HostileCase& c = cases[i];
        std::u16string path = kHostile + u"\\C" + Utf16Of(std::to_string(i));
        os.PutWideValue(kCurrentUser, path, u"Plain", 1, test::Utf16Bytes(u"kept\0"s));
        if (!c.subkey.empty()) {
            path += u"\\" + c.subkey;
        }
        os.PutWideValue(kCurrentUser, path, c.name, c.type, c.stored);
        issues.push_back(KeyIssue(ClassKey(i)));
    }
    const std::string backup = os.programFolder + "hostile_backup.reg";
    const FixResult result = FixIssues(issues, backup);
    const std::string script = test::ScriptTextUtf8(os.FileContents(backup));
    ASSERT_EQ(result.backupPath, backup);
    EXPECT_EQ(0u, script.find("Windows Registry Editor Version 5.00\r\n\r\n"))
        << "names and text beyond ASCII need the registry editor's Unicode format";

    for (std::size_t i = 0; i < cases.size(); ++i) {
        const test::HostileCase& c = cases[i];
        SCOPED_TRACE(c.label);
        const std::string key = ClassKey(i).substr(1);
        const auto notFixed = std::find_if(result.notFixed.begin(), result.notFixed.end(),
                                           [&](const NotFixed& n) { return n.index == i; });
        const std::string line = test::ExpectedBackupLine(c, utf8);
        if (!line.empty()) {
            if (notFixed != result.notFixed.end()) {
                ADD_FAILURE() << "left alone: " << notFixed->reason;
            }
            EXPECT_FALSE(os.KeyExists(kCurrentUser, key));
            EXPECT_NE(script.find(line + "\r\n"), std::string::npos) << script;
            continue;
        }
        ASSERT_NE(notFixed, result.notFixed.end()) << "fixed although the backup cannot hold it";
        EXPECT_EQ(0u, notFixed->reason.find("cannot be backed up: ")) << notFixed->reason;
        EXPECT_NE(std::string::npos, notFixed->reason.find(c.refusal)) << notFixed->reason;
        EXPECT_TRUE(os.KeyExists(kCurrentUser, key));
        EXPECT_TRUE(IssueEntryPresent(issues[i]));
        EXPECT_EQ(std::string::npos, script.find("[HKEY_CURRENT_USER\\" + key + "]"))
            << "a class left alone has no place in the backup";
    }
    EXPECT_EQ(cases.size(), result.attempted + result.notFixed.size());
    // Without a backup the user has chosen to delete without a way back: nothing is refused.
    EXPECT_TRUE(FixIssues(issues, std::nullopt).notFixed.empty());
}

// A value issue stakes only its own value: trouble in the key's other values or its subkeys
// does not stop it, trouble in the value itself does.
TEST_F(HostileContents, ValueIssueIsRefusedOnlyForItsOwnValue) {
    using namespace std::string_literals;
    os.PutWideValue(kCurrentUser, kHostile, u"Gone", 1, test::Utf16Bytes(u"C:\\gone.exe\0"s));
    os.PutWideValue(kCurrentUser, kHostile, u"\u0418", 1, test::Utf16Bytes(u"x\0"s));
    os.PutWideValue(kCurrentUser, kHostile + u"\\\u65E5", u"Gone", 1, test::Utf16Bytes(u"y"));
    os.PutWideValue(kCurrentUser, kHostile, u"Unterminated", 1, test::Utf16Bytes(u"abc"));
    TItem gone = KeyIssue("\\Software\\MendrakeTests\\Hostile");
    gone.DeleteKey = false;
    gone.Value = "Gone";
    TItem unterminated = gone;
    unterminated.Value = "Unterminated";
    const FixResult result = FixIssues({gone, unterminated}, os.programFolder + "v_backup.reg");
    ASSERT_EQ(1u, result.notFixed.size());
    EXPECT_EQ(1u, result.notFixed[0].index);
    EXPECT_FALSE(IssueEntryPresent(gone));
    EXPECT_TRUE(IssueEntryPresent(unterminated));
}

// A subkey that can be read but not opened with full access is still copied (the export reads
// with KEY_READ); the fix cannot delete it, and the presence check, which reads too, says so.
// A subkey that cannot be read at all stops the issue before anything goes.
TEST_F(HostileContents, KeysThatRefuseAccessAreCopiedOrStopTheFix) {
    os.PutText(kLocalMachine, "K\\ReadOnly\\Below", "v", "kept");
    os.PutText(kLocalMachine, "K\\A", "v", "a");
    os.DenyFullAccess(kLocalMachine, "K\\ReadOnly");
    os.PutText(kLocalMachine, "L\\Sealed", "v", "sealed");
    os.PutText(kLocalMachine, "L", "v", "l");
    os.DenyAccess(kLocalMachine, "L\\Sealed");
    TItem k = KeyIssue("\\K");
    k.RootKey = static_cast<std::uint32_t>(kLocalMachine);
    TItem l = k;
    l.Key = "\\L";
    l.KeyText = "HKLM\\L";
    const std::string backup = os.programFolder + "acl_backup.reg";
    const FixResult result = FixIssues({k, l}, backup);

    EXPECT_EQ("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\K\\ReadOnly]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\K\\ReadOnly\\Below]\r\n\"v\"=\"kept\"\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\K\\A]\r\n\"v\"=\"a\"\r\n\r\n",
              os.FileContents(backup));
    EXPECT_TRUE(IssueEntryPresent(k)) << "the key without full access is still there";
    EXPECT_FALSE(os.KeyExists(kLocalMachine, "K\\A"));
    ASSERT_EQ(1u, result.notFixed.size());
    EXPECT_EQ("cannot be backed up: the key \"HKEY_LOCAL_MACHINE\\L\\Sealed\" cannot be read",
              result.notFixed[0].reason);
    EXPECT_TRUE(os.KeyExists(kLocalMachine, "L\\Sealed"));
    EXPECT_EQ("1 issue was not fixed: nothing of them was deleted.\r\n\r\n"
              "HKLM\\L: cannot be backed up: the key \"HKEY_LOCAL_MACHINE\\L\\Sealed\" cannot "
              "be read",
              NotFixedSummary({k, l}, result.notFixed, 10));
}

// An entry whose name or tested text lost characters on the way to the ANSI code page is never
// reported: the path the scanner would test is not the real one, and a working start-up entry
// would be deleted. The same entries with ANSI names are reported, as a control.
TEST_F(HostileContents, ScannersNeverJudgeByTextThatIsNotTheEntrys) {
    using namespace std::string_literals;
    const std::u16string run = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    os.PutWideValue(kCurrentUser, run, u"Lossy path", 1,
                    test::Utf16Bytes(u"C:\\\u041F\u0440\u043E\\app.exe\0"s));
    os.PutWideValue(kCurrentUser, run, u"\u041F", 1, test::Utf16Bytes(u"C:\\gone\\a.exe\0"s));
    os.PutWideValue(kCurrentUser, run, u"Plain", 1, test::Utf16Bytes(u"C:\\gone\\b.exe\0"s));
    const std::u16string mui = u"Software\\Microsoft\\Windows\\ShellNoRoam\\MuiCache";
    os.PutWideValue(kCurrentUser, mui, u"C:\\\u041F\\c.exe", 1, test::Utf16Bytes(u"C\0"s));
    os.PutWideValue(kCurrentUser, mui, u"C:\\gone\\d.exe", 1, test::Utf16Bytes(u"D\0"s));
    // An extension whose only value is text that cannot be read is not "empty".
    const std::u16string exts =
        u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.hostile";
    os.PutWideValue(kCurrentUser, exts, u"", 1, test::Utf16Bytes(u"\u041F\0"s));

    std::vector<std::string> found;
    for (const TItem& issue : test::Scan({4, 10, 12})) {
        found.push_back(issue.Data);
    }
    EXPECT_EQ((std::vector<std::string>{"C:\\gone\\b.exe", "C:\\gone\\d.exe"}), found);
}

// A SharedDlls count that is not a 4-byte number gives an empty count; it used to end the
// scanner, and with it the whole analysis, with "Failed to get data for ...".
TEST_F(HostileContents, MalformedNumberGivesAnEmptyCount) {
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
    os.PutNumber(kLocalMachine, key, "WindowsInstaller", 1);
    os.PutValue(kLocalMachine, key, "C:\\gone\\eight.dll", platform::kRegDword,
                std::string("\x01\0\0\0\0\0\0\0", 8));
    os.PutValue(kLocalMachine, key, "C:\\gone\\two.dll", platform::kRegDword, "\x02\0");
    os.PutNumber(kLocalMachine, key, "C:\\gone\\four.dll", 4);
    std::vector<std::string> counts;
    for (const TItem& issue : test::Scan({3})) {
        counts.push_back(issue.ValueData);
    }
    // "WindowsInstaller" names no file either and is reported with its own count.
    EXPECT_EQ((std::vector<std::string>{"1", "", "", "4"}), counts);
}

// A folder link is not entered: it can lead anywhere, and the fix would delete what is found
// there. A shortcut file that is itself a link is examined as any other.
TEST_F(HostileContents, ShortcutWalkDoesNotEnterFolderLinks) {
    const std::string broken =
        test::lnk::WithLocalBasePath(test::lnk::FormatExample(), "C:\\gone.exe");
    os.AddFolder("C:\\Desk\\Real\\");
    os.AddFile("C:\\Desk\\Real\\In.lnk", broken);
    os.AddFolder("C:\\Desk\\Link\\", platform::kAttrDirectory | platform::kAttrReparsePoint);
    os.AddFile("C:\\Desk\\Link\\Out.lnk", broken);
    os.AddFile("C:\\Desk\\Linked.lnk", broken, platform::kAttrReparsePoint);
    Issues.clear();
    AnalysisRun run;
    ScanShortcutFolder(run, "C:\\Desk\\", "Desktop");
    std::vector<std::string> found;
    for (const TItem& issue : Issues) {
        found.push_back(issue.Key + issue.Value);
    }
    Issues.clear();
    std::sort(found.begin(), found.end());
    EXPECT_EQ((std::vector<std::string>{"C:\\Desk\\Linked.lnk", "C:\\Desk\\Real\\In.lnk"}), found);
}

// Two fixes within one second: the second takes the next free name and the first stays.
TEST_F(HostileContents, BackupsNeverReplaceAnother) {
    os.PutText(kLocalMachine, "One", "v", "1");
    os.PutText(kLocalMachine, "Two", "v", "2");
    os.PutText(kLocalMachine, "Three", "v", "3");
    TItem one = KeyIssue("\\One");
    one.RootKey = static_cast<std::uint32_t>(kLocalMachine);
    TItem two = one;
    two.Key = "\\Two";
    const std::string first = DefaultBackupPath();
    EXPECT_EQ(first, *FixIssues({one}, first).backupPath);
    const FixResult second = FixIssues({two}, DefaultBackupPath());
    EXPECT_EQ("C:\\Program Files\\Mendrake\\20261210142530_2_backup.reg", *second.backupPath);
    EXPECT_NE(std::string::npos, os.FileContents(first).find("[HKEY_LOCAL_MACHINE\\One]"));
    EXPECT_NE(std::string::npos, os.FileContents(*second.backupPath).find("\\Two]"));
    TItem three = one;
    three.Key = "\\Three";
    EXPECT_EQ("C:\\Program Files\\Mendrake\\20261210142530_3_backup.reg",
              *FixIssues({three}, first).backupPath);

    // A folder of the name is no backup: the name cannot be written, and the fix stops.
    os.AddFolder("C:\\Program Files\\Mendrake\\blocked_backup.reg\\");
    EXPECT_THROW(FixIssues({one}, std::string("C:\\Program Files\\Mendrake\\blocked_backup.reg")),
                 Error);

    const struct {
        const char* path;
        const char* third;
    } names[] = {
        {"C:\\x\\20070315142530_backup.reg", "C:\\x\\20070315142530_3_backup.reg"},
        {"C:\\x\\mine.reg", "C:\\x\\mine_3.reg"},
        {"C:\\x.d\\mine", "C:\\x.d\\mine_3"},
    };
    for (const auto& n : names) {
        EXPECT_EQ(n.third, NumberedBackupPath(n.path, 3));
    }
}

} // namespace
} // namespace mendrake
