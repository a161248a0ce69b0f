// Names and paths in any script, on the memory platform in the code pages a Windows process
// meets: UTF-8 (the manifest honoured), where every entry is judged, fixed, backed up in the
// registry editor's Unicode format and restored exactly; a double-byte code page, where a
// second byte 0x5C is never taken for a backslash; and Windows-1252, where the restore refuses
// what it cannot write exactly instead of writing a best-fit guess.
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/exclusion_list.h"
#include "engine/issue_model.h"
#include "engine/normalised_path.h"
#include "engine/registry_views.h"
#include "engine/scanner_paths.h"
#include "platform/memory/memory_platform.h"
#include "repair/fix.h"
#include "repair/kept_files.h"
#include "repair/reg_script.h"
#include "repair/restore.h"
#include "repair/scan_log.h"
#include "tests/support/hostile_cases.h"
#include "tests/support/registry_snapshot.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using namespace std::string_literals;
using platform::CodePageModel;
using platform::kCurrentUser;
using platform::kLocalMachine;
using platform::MemoryPlatform;

const std::u16string kRun = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Utf16Le(std::u16string_view text) {
    return "\xFF\xFE"s + test::Utf16Bytes(text);
}

class CodePages : public testing::Test {
  protected:
    explicit CodePages(CodePageModel page = CodePageModel::Utf8) {
        os.codePage = page;
        os.AddFolder(os.programFolder);
        Issues.clear();
    }
    ~CodePages() override { Issues.clear(); }
    MemoryPlatform os;
    platform::ScopedOs installed{os};
};

// Run entries named and pointing in Japanese, Polish, Cyrillic and beyond the BMP: the gone
// ones are reported with their exact text, the live ones not; the fix's backup is the
// registry editor's version 5 in UTF-16, and the restore gives back every byte.
TEST_F(CodePages, Utf8JudgesFixesAndRestoresEveryScript) {
    os.AddFile("C:\\Programy\\\xC5\x82\xC3\xB3\x64\xC5\xBA.exe"); // łódź.exe, live
    const std::u16string gone = u"C:\\\u4E0D\u5728\\\u30A2\u30D7\u30EA.exe";
    os.PutWideValue(kCurrentUser, kRun, u"\u0410\u043D\u043D\u0430", 1,
                    test::Utf16Bytes(gone + u"\0"s));
    os.PutWideValue(kCurrentUser, kRun, u"\u0141\u00F3d\u017A", 1,
                    test::Utf16Bytes(u"C:\\Programy\\\u0142\u00F3d\u017A.exe\0"s));
    os.PutWideValue(kCurrentUser, kRun, u"\U0001F600", 1,
                    test::Utf16Bytes(u"C:\\gone\\\U0001F600.exe\0"s));
    const test::Snapshot before = test::TakeSnapshot(kCurrentUser, "Software");

    {

        AnalysisRun run;

        RunScanner(10, run);
    }
    ASSERT_EQ(2u, Issues.size());
    EXPECT_EQ("\xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0", Issues[0].Value); // Анна
    EXPECT_EQ("C:\\\xE4\xB8\x8D\xE5\x9C\xA8\\\xE3\x82\xA2\xE3\x83\x97\xE3\x83\xAA.exe",
              Issues[0].Data);
    EXPECT_EQ("\xF0\x9F\x98\x80", Issues[1].Value);

    SaveLog("C:\\log.txt", Issues);
    EXPECT_NE(std::string::npos, os.FileContents("C:\\log.txt").find(Issues[0].Data))
        << "the log is UTF-8";

    const std::string backup = os.programFolder + "u_backup.reg";
    const FixResult fixed = FixIssues(Issues, backup);
    EXPECT_TRUE(fixed.notFixed.empty());
    const std::string bytes = os.FileContents(backup);
    ASSERT_EQ(0u, bytes.find(Utf16Le(u"Windows Registry Editor Version 5.00\r\n\r\n")));
    EXPECT_NE(std::string::npos,
              bytes.find(test::Utf16Bytes(u"\"\u0410\u043D\u043D\u0430\"=\"C:\\\\\u4E0D\u5728")));
    EXPECT_NE("", test::Differences(before, test::TakeSnapshot(kCurrentUser, "Software")));

    const RestoreResult restored = RestoreBackup(backup);
    EXPECT_TRUE(restored.failures.empty()) << restored.failures.front();
    EXPECT_EQ(2u, restored.values);
    EXPECT_EQ("", test::Differences(before, test::TakeSnapshot(kCurrentUser, "Software")));
}

TEST_F(CodePages, AsciiBackupStaysRegedit4) {
    os.PutText(kCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Old",
               "C:\\gone\\old.exe");
    {
        AnalysisRun run;
        RunScanner(10, run);
    }
    ASSERT_EQ(1u, Issues.size());
    const std::string backup = os.programFolder + "a_backup.reg";
    FixIssues(Issues, backup);
    EXPECT_EQ("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
              "Run]\r\n\"Old\"=\"C:\\\\gone\\\\old.exe\"\r\n\r\n",
              os.FileContents(backup));
}

// A fullwidth backslash is a letter of a key name, not a separator: restored as one key.
TEST_F(CodePages, FullwidthBackslashStaysInItsKeyName) {
    const RestoreResult result = RestoreScript(
        ReadRegScript(Utf16Le(u"Windows Registry Editor Version 5.00\r\n\r\n"
                              u"[HKEY_CURRENT_USER\\Software\\a\uFF3Cb]\r\n\"v\"=\"x\"\r\n\r\n")));
    EXPECT_TRUE(result.failures.empty());
    EXPECT_TRUE(os.KeyExists(kCurrentUser, "Software\\a\xEF\xBC\xBC"
                                           "b"));
    EXPECT_FALSE(os.KeyExists(kCurrentUser, "Software\\a"));
}

class LegacyCodePage : public CodePages {
  protected:
    LegacyCodePage() : CodePages(CodePageModel::Latin1) {}
};

// Where the code page lacks a character, the entry is refused with its line; nothing is
// written under a best-fit name ("Lodz"), and a fullwidth backslash never becomes a real one.
TEST_F(LegacyCodePage, RestoreRefusesWhatItCannotWriteExactly) {
    const RestoreResult result = RestoreScript(ReadRegScript(
        Utf16Le(u"Windows Registry Editor Version 5.00\r\n\r\n"
                u"[HKEY_CURRENT_USER\\Software\\\u0141\u00F3d\u017A]\r\n\"v\"=\"x\"\r\n\r\n"
                u"[HKEY_CURRENT_USER\\Software\\a\uFF3Cb]\r\n\r\n"
                u"[HKEY_CURRENT_USER\\Software\\Fine]\r\n\"a\\0b\"=\"x\"\r\n\"ok\"=\"\u00E9\"\r\n"
                u"\r\n")));
    ASSERT_EQ(3u, result.failures.size());
    EXPECT_EQ(0u, result.failures[0].find("Line 3: HKEY_CURRENT_USER\\Software\\"));
    EXPECT_NE(std::string::npos, result.failures[0].find("cannot be written exactly"));
    EXPECT_EQ(0u, result.failures[1].find("Line 6: "));
    EXPECT_EQ(0u, result.failures[2].find("Line 9: HKEY_CURRENT_USER\\Software\\Fine \"a"))
        << "a NUL in a value name would cut it and overwrite another value";
    EXPECT_FALSE(os.KeyExists(kCurrentUser, "Software\\Lodz"));
    EXPECT_FALSE(os.KeyExists(kCurrentUser, "Software\\a"));
    EXPECT_EQ(1u, test::TakeSnapshot(kCurrentUser, "Software\\Fine").at("Software\\Fine").size());
}

// Without a byte-order mark, a version-5 script is text of the ANSI code page, as the
// registry editor reads it.
TEST_F(LegacyCodePage, Version5WithoutMarkIsAnsiText) {
    const RegScript script = ReadRegScript("Windows Registry Editor Version 5.00\r\n\r\n"
                                           "[HKEY_CURRENT_USER\\Software\\\xE9t\xE9]\r\n\r\n");
    ASSERT_EQ(1u, script.keys.size());
    EXPECT_EQ("Software\\\xE9t\xE9", script.keys[0].path);
    EXPECT_FALSE(script.keys[0].lossy);
}

class DoubleByteCodePage : public CodePages {
  protected:
    DoubleByteCodePage() : CodePages(CodePageModel::ShiftJis) {}
};

// 表 is 95 5C and ソ is 83 5C in code page 932: their second byte is no backslash.
TEST_F(DoubleByteCodePage, SecondByteIsNoSeparator) {
    const std::string folder = "C:\\\x95\x5C"; // C:\表
    const std::string file = "\x83\x5C.chm";   // ソ.chm
    EXPECT_EQ(file, NamePart(folder + "\\" + file));
    EXPECT_EQ(folder + "\\", FolderPart(folder + "\\" + file));
    EXPECT_EQ(".chm", ExtensionPart(file));
    EXPECT_EQ("\x83\x5C\x83\x5C", UpperCase("\x83\x5C\x83\x5C"));
    EXPECT_EQ(folder + "\\" + file, HelpFilePath(folder, file));
    EXPECT_EQ(folder + "\\" + file, HelpFilePath(folder + "\\", file));

    // A live help file in such a folder is not reported; a gone one is.
    os.AddFile(folder + "\\" + file);
    os.PutText(kLocalMachine, "Software\\Microsoft\\Windows\\HTML Help", "\x83\x5C.chm", folder);
    os.PutText(kLocalMachine, "Software\\Microsoft\\Windows\\HTML Help", "\x94\x5C.chm", folder);
    {
        AnalysisRun run;
        RunScanner(8, run);
    }
    ASSERT_EQ(1u, Issues.size());
    EXPECT_EQ("\x94\x5C.chm", Issues[0].Value);

    // An exclusion of a folder ending in such a character matches its own rows.
    EXPECT_TRUE(ExclusionCovers(folder, folder + "\\", file));
    EXPECT_FALSE(ExclusionCovers("C:\\\x95", folder + "\\", file));
}

// Paths the 32-bit view resolves keep every name whole: a second byte 0x5C neither splits a
// name nor ends the path as a trailing backslash.
TEST_F(DoubleByteCodePage, NormalisedPathKeepsNamesWhole) {
    const std::string hyo = "\x95\x5C"; // 表
    const struct {
        std::string path, normal;
    } cases[] = {
        {"C:\\x\\" + hyo + "\\a.dll", "C:\\x\\" + hyo + "\\a.dll"},
        {"C:/x/" + hyo + "/a.dll", "C:\\x\\" + hyo + "\\a.dll"},
        {"C:\\x\\" + hyo, "C:\\x\\" + hyo},
        {"C:\\x\\" + hyo + "\\", "C:\\x\\" + hyo + "\\"},
        {"C:\\x\\" + hyo + "\\..\\a.dll", "C:\\x\\a.dll"},
        {"C:\\" + hyo + "\\.\\" + hyo + "\\a.dll", "C:\\" + hyo + "\\" + hyo + "\\a.dll"},
        {"\\\\?\\C:\\" + hyo + "\\a.dll", "C:\\" + hyo + "\\a.dll"},
        {"\\\\srv" + hyo + "\\share\\a.dll", "\\\\srv" + hyo + "\\share\\a.dll"},
        {"\\\\srv\\" + hyo + "\\x\\..\\a.dll", "\\\\srv\\" + hyo + "\\a.dll"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.normal, NormalisedPath(c.path)) << c.path;
    }
}

// A live folder or file whose name ends in such a character is present in either view; the
// same names without it are gone.
TEST_F(DoubleByteCodePage, NamesEndingInASecondByteBackslashAreFound) {
    const std::string hyo = "\x95\x5C", nou = "\x94\x5C"; // 表, 能
    os.AddFolder("C:\\" + hyo);
    os.AddFile("C:\\x\\" + hyo + "\\a.dll");
    os.AddFile("C:\\x\\\x83\x5C"); // C:\x\ソ
    const struct {
        std::string path;
        RegistryView view;
        PathState state;
    } cases[] = {
        {"C:\\" + hyo, RegistryView::Native, PathState::Present},
        {"C:\\" + hyo + "\\", RegistryView::Native, PathState::Present},
        {"C:\\" + hyo, RegistryView::Wow64, PathState::Present},
        {"C:\\" + hyo + "\\", RegistryView::Wow64, PathState::Present},
        {"C:\\x\\\x83\x5C", RegistryView::Native, PathState::Present},
        {"C:\\x\\" + hyo + "\\a.dll", RegistryView::Wow64, PathState::Present},
        {"C:/x/" + hyo + "/a.dll", RegistryView::Wow64, PathState::Present},
        {"C:\\x\\" + hyo + "\\..\\" + hyo + "\\a.dll", RegistryView::Wow64, PathState::Present},
        {"C:\\\x95", RegistryView::Native, PathState::Gone},
        {"C:\\" + nou, RegistryView::Native, PathState::Gone},
        {"C:\\x\\" + nou + "\\a.dll", RegistryView::Wow64, PathState::Gone},
    };
    AnalysisRun run;
    for (const auto& c : cases) {
        EXPECT_EQ(c.state, PathStateOf(run, c.path, c.view))
            << c.path << (c.view == RegistryView::Wow64 ? " (32-bit view)" : "");
    }
}

// A 32-bit class whose server lives in such a folder is not reported; one whose folder is gone
// is.
TEST_F(DoubleByteCodePage, ThirtyTwoBitServersInSuchFoldersAreJudgedByTheirWholePath) {
    os.AddFile("C:\\x\\\x95\x5C\\a.dll");
    os.PutText(platform::kClassesRoot, "Wow6432Node\\CLSID\\{1}\\InprocServer32", "",
               "C:\\x\\\x95\x5C\\a.dll");
    os.PutText(platform::kClassesRoot, "Wow6432Node\\CLSID\\{2}\\InprocServer32", "",
               "C:\\x\\\x94\x5C\\a.dll");
    {
        AnalysisRun run;
        RunScanner(5, run);
    }
    ASSERT_EQ(1u, Issues.size());
    EXPECT_EQ("HKCR\\Wow6432Node\\CLSID\\{2}", Issues[0].KeyText);
}

// A desktop shortcut named with such a character, in a folder so named, is moved beside the
// backup under its own name and put back where it was.
TEST_F(DoubleByteCodePage, ShortcutsSoNamedAreKeptAndPutBack) {
    const std::string desktop = "C:\\Users\\\x95\x5C\\Desktop\\";
    os.PutText(platform::kCurrentUser,
               "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Desktop",
               desktop.substr(0, desktop.size() - 1));
    const std::string folder = desktop + "\x83\x5C\\";     // ソ
    os.AddFile(folder + "\x94\x5C.lnk", "shortcut bytes"); // 能.lnk
    TItem issue;
    issue.Category = kDesktopCategory;
    issue.Key = folder;
    issue.Value = "\x94\x5C.lnk";
    issue.KeyText = folder;
    const std::string backup = os.programFolder + "s_backup.reg";
    FixIssues({issue}, backup);
    EXPECT_FALSE(os.FileExists(folder + issue.Value));
    const std::string kept = BackupFilesFolder(backup);
    EXPECT_EQ(folder + issue.Value + "\t" + issue.Value + "\r\n",
              os.FileContents(kept + kManifestName));
    const RestoreResult restored = RestoreBackup(backup);
    EXPECT_TRUE(restored.failures.empty()) << restored.failures.front();
    EXPECT_EQ("shortcut bytes", os.FileContents(folder + issue.Value));
}

// A key named with such a character is one key, opened, exported and restored as one.
TEST_F(DoubleByteCodePage, KeyNamesKeepTheirSecondBytes) {
    os.PutWideValue(kCurrentUser, u"Software\\\u8868\\\u4E88", u"\u80FD", 1,
                    test::Utf16Bytes(u"\u30BD\0"s));
    EXPECT_TRUE(os.KeyExists(kCurrentUser, "Software\\\x95\x5C\\\x97\x5C"));
    const test::Snapshot before = test::TakeSnapshot(kCurrentUser, "Software");
    TItem issue;
    issue.Category = 5;
    issue.Selected = 1;
    issue.RootKey = static_cast<std::uint32_t>(kCurrentUser);
    issue.Key = "\\Software\\\x95\x5C";
    issue.KeyText = "HKCU" + issue.Key;
    issue.DeleteKey = true;
    const std::string backup = os.programFolder + "j_backup.reg";
    const FixResult fixed = FixIssues({issue}, backup);
    EXPECT_TRUE(fixed.notFixed.empty());
    EXPECT_FALSE(os.KeyExists(kCurrentUser, "Software\\\x95\x5C"));
    EXPECT_EQ(0u, os.FileContents(backup).find("\xFF\xFE"));
    const RestoreResult restored = RestoreBackup(backup);
    EXPECT_TRUE(restored.failures.empty()) << restored.failures.front();
    EXPECT_EQ("", test::Differences(before, test::TakeSnapshot(kCurrentUser, "Software")));
}

} // namespace
} // namespace mendrake
