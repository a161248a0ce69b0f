// The two registry views on the memory platform: which paths a 32-bit program's file system
// gives, which twin areas are read, and keys that both views share through links (as Windows
// and Wine share App Paths, Fonts and more), which are read and reported once.
#include "engine/algorithm_unit.h"
#include "engine/issue_model.h"
#include "engine/normalised_path.h"
#include "engine/registry_views.h"
#include "engine/scanner_paths.h"
#include "platform/memory/memory_platform.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using platform::kClassesRoot;
using platform::kCurrentUser;
using platform::kLocalMachine;

using Texts = std::vector<std::string>;

class RegistryViews : public testing::Test {
  protected:
    // "KeyText | Data" of each issue of a category (of one check of it when `kind` is given).
    Texts KeyTextsOf(std::int32_t category, int kind = -1) {
        Texts texts;
        for (const TItem& item : test::Scan({category})) {
            if (kind >= 0 && item.Kind != kind) {
                continue;
            }
            texts.push_back(item.KeyText + " | " + item.Data);
        }
        return texts;
    }

    platform::MemoryPlatform os;
    platform::ScopedOs installed{os};
};

TEST_F(RegistryViews, ThirtyTwoBitProgramsFindSystem32InSysWow64) {
    os.windowsFolder = "D:\\WinNT";
    const struct {
        const char* path;
        const char* seen;
    } cases[] = {
        {"D:\\WinNT\\System32\\x.dll", "D:\\WinNT\\SysWOW64\\x.dll"},
        {"d:\\winnt\\SYSTEM32\\sub\\x.dll", "d:\\winnt\\SysWOW64\\sub\\x.dll"},
        {"D:\\WinNT\\System32", "D:\\WinNT\\SysWOW64"},
        {"D:\\WinNT\\Sysnative\\x.dll", "D:\\WinNT\\System32\\x.dll"},
        // Exempt from redirection: these stay in System32.
        {"D:\\WinNT\\System32\\drivers\\etc\\hosts", "D:\\WinNT\\System32\\drivers\\etc\\hosts"},
        {"D:\\WinNT\\System32\\Spool\\x", "D:\\WinNT\\System32\\Spool\\x"},
        {"D:\\WinNT\\System32\\catroot2\\x", "D:\\WinNT\\System32\\catroot2\\x"},
        {"D:\\WinNT\\System32\\LogFiles", "D:\\WinNT\\System32\\LogFiles"},
        // Only whole folder names of the Windows folder count.
        {"D:\\WinNT\\System32\\drivers\\x.sys", "D:\\WinNT\\SysWOW64\\drivers\\x.sys"},
        {"D:\\WinNT\\System32\\spooler.exe", "D:\\WinNT\\SysWOW64\\spooler.exe"},
        {"D:\\WinNT\\System320\\x.dll", "D:\\WinNT\\System320\\x.dll"},
        {"D:\\WinNTx\\System32\\x.dll", "D:\\WinNTx\\System32\\x.dll"},
        {"C:\\Windows\\System32\\x.dll", "C:\\Windows\\System32\\x.dll"},
        {"%SystemRoot%\\System32\\x.dll", "%SystemRoot%\\System32\\x.dll"},
        // The path the file system resolves is redirected, however it is written.
        {"D:/WinNT/System32/x.dll", "D:\\WinNT\\SysWOW64\\x.dll"},
        {"\\\\?\\D:\\WinNT\\System32\\x.dll", "D:\\WinNT\\SysWOW64\\x.dll"},
        {"D:\\WinNT\\System32\\..\\System32\\x.dll", "D:\\WinNT\\SysWOW64\\x.dll"},
        {"D:\\Other\\..\\WinNT\\.\\System32\\\\x.dll", "D:\\WinNT\\SysWOW64\\x.dll"},
        {"D:\\WinNT\\\\System32\\x.dll", "D:\\WinNT\\SysWOW64\\x.dll"},
        {"D:\\WinNT\\System32\\..\\Fonts\\x.ttf", "D:\\WinNT\\Fonts\\x.ttf"},
        {"D:\\WinNT\\Sysnative/../Sysnative/x.dll", "D:\\WinNT\\System32\\x.dll"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.seen, PathSeenBy(RegistryView::Wow64, c.path)) << c.path;
        EXPECT_EQ(c.path, PathSeenBy(RegistryView::Native, c.path)) << c.path;
    }
}

TEST(NormalisedPath, TheFormTheFileSystemResolves) {
    const struct {
        const char* path;
        const char* normal;
    } cases[] = {
        {"C:/a/b.dll", "C:\\a\\b.dll"},
        {"C:\\a\\\\b\\.\\c\\..\\d.dll", "C:\\a\\b\\d.dll"},
        {"C:\\..\\..\\x.dll", "C:\\x.dll"}, // never above the drive
        {"C:\\a\\b\\", "C:\\a\\b\\"},
        {"\\\\?\\C:\\a\\..\\b.dll", "C:\\b.dll"},
        {"\\\\?\\UNC\\srv\\share\\a\\b.dll", "\\\\srv\\share\\a\\b.dll"},
        {"\\\\srv\\share\\..\\..\\b.dll", "\\\\srv\\share\\b.dll"}, // never above the share
        {"//srv/share/a//b.dll", "\\\\srv\\share\\a\\b.dll"},
        // Not a drive or share path: left as written.
        {"a\\..\\b.dll", "a\\..\\b.dll"},
        {"\\x\\..\\y", "\\x\\..\\y"},
        {"C:x\\..\\y", "C:x\\..\\y"},
        {"\\\\.\\pipe\\x", "\\\\.\\pipe\\x"},
        {"%SystemRoot%\\..\\x", "%SystemRoot%\\..\\x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.normal, NormalisedPath(c.path)) << c.path;
    }
}

// An unquoted 32-bit command whose arguments hold ".." is still resolved at its program.
TEST_F(RegistryViews, ArgumentsOfAThirtyTwoBitCommandStayApartFromItsProgram) {
    os.AddFile("C:\\windows\\SysWOW64\\run.exe");
    const std::string command = "C:\\windows\\System32\\run.exe -f ..\\..\\conf";
    AnalysisRun run;
    EXPECT_FALSE(CommandProgramMissing(run, command, command, RegistryView::Wow64));
    const std::string written = "C:/windows/System32/run.exe";
    EXPECT_FALSE(CommandProgramMissing(run, written, written, RegistryView::Wow64));
    EXPECT_TRUE(CommandProgramMissing(run, "C:\\windows\\System32\\gone.exe",
                                      "C:\\windows\\System32\\gone.exe", RegistryView::Wow64));
}

// Environment references as the program that loads the file has them.
TEST_F(RegistryViews, EnvironmentReferencesExpandForTheLoadingProgram) {
    EXPECT_EQ("C:\\Program Files (x86)\\App\\x.tlb",
              ExpandedPath("%programfiles%\\App\\x.tlb", RegistryView::Wow64));
    EXPECT_EQ("C:\\Program Files\\App\\x.tlb",
              ExpandedPath("%ProgramFiles%\\App\\x.tlb", RegistryView::Native));
    EXPECT_EQ("C:\\Program Files (x86)\\Common Files\\x.dll",
              ExpandedPath("%CommonProgramFiles%\\x.dll", RegistryView::Wow64));
    EXPECT_EQ("C:\\windows\\%Unset%\\x.tlb",
              ExpandedPath("%SystemRoot%\\%Unset%\\x.tlb", RegistryView::Wow64));
    os.environment.erase("PROGRAMFILES(X86)");
    EXPECT_EQ("C:\\Program Files\\x.tlb",
              ExpandedPath("%ProgramFiles%\\x.tlb", RegistryView::Wow64))
        << "a machine without 32-bit folders";
}

TEST_F(RegistryViews, TwinPathsOfTheRedirectedRoots) {
    EXPECT_EQ("\\Software\\Wow6432Node\\Microsoft\\Run",
              Wow64TwinKey(kLocalMachine, "\\Software\\Microsoft\\Run"));
    EXPECT_EQ("\\SOFTWARE\\Wow6432Node", Wow64TwinKey(kLocalMachine, "\\SOFTWARE"));
    EXPECT_EQ("\\Wow6432Node\\CLSID", Wow64TwinKey(kClassesRoot, "\\CLSID"));
    EXPECT_EQ("", Wow64TwinKey(kLocalMachine, "\\System\\CurrentControlSet"));
    EXPECT_EQ("", Wow64TwinKey(kLocalMachine, "\\Softwarez"));
    EXPECT_EQ("", Wow64TwinKey(kCurrentUser, "\\Software\\Microsoft"));
}

TEST_F(RegistryViews, ASharedKeyIsReadAndReportedOnce) {
    const std::string appPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
    os.LinkKey(kLocalMachine,
               "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths", appPaths);
    // Written through the 32-bit path, it is the 64-bit key's entry.
    os.PutText(kLocalMachine,
               "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\gone.exe", "",
               "C:\\Gone\\gone.exe");
    EXPECT_EQ(1u, BothViews(kLocalMachine, "\\" + appPaths).size());
    EXPECT_EQ((Texts{"HKLM\\" + appPaths + "\\gone.exe | C:\\Gone\\gone.exe"}), KeyTextsOf(6, 1));
}

TEST_F(RegistryViews, LinksBelowAThirtyTwoBitAreaAreLeftToTheSixtyFourBitPass) {
    // A shared empty key (as Wine links HKLM\Software\Wow6432Node\Policies to the 64-bit one)
    // and a shared class: each reported once, under its 64-bit path.
    os.AddKey(kLocalMachine, "Software\\Shared");
    os.LinkKey(kLocalMachine, "Software\\Wow6432Node\\Shared", "Software\\Shared");
    os.AddKey(kLocalMachine, "Software\\Wow6432Node\\Own");
    os.PutText(kClassesRoot, "CLSID\\{1}\\InprocServer32", "", "C:\\Gone\\a.dll");
    os.LinkKey(kClassesRoot, "Wow6432Node\\CLSID\\{1}", "CLSID\\{1}");
    os.PutText(kClassesRoot, "Wow6432Node\\CLSID\\{2}\\InprocServer32", "", "C:\\Gone\\b.dll");
    EXPECT_EQ(
        (Texts{"HKLM\\Software\\Shared | Shared", "HKLM\\Software\\Wow6432Node\\Own | Own"}),
        KeyTextsOf(6));
    EXPECT_EQ((Texts{"HKCR\\CLSID\\{1} | C:\\Gone\\a.dll",
                     "HKCR\\Wow6432Node\\CLSID\\{2} | C:\\Gone\\b.dll"}),
              KeyTextsOf(5));
}

TEST_F(RegistryViews, ThirtyTwoBitAreasFollowTheirSixtyFourBitPassAndNeedNoSixtyFourBitKey) {
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string twin = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\";
    os.PutText(kLocalMachine, twin + "RunOnce", "b", "C:\\Gone\\b32.exe");
    os.PutText(kLocalMachine, twin + "Run", "a", "C:\\Gone\\a32.exe");
    os.PutText(kLocalMachine, run, "a", "C:\\Gone\\a64.exe");
    os.PutText(kCurrentUser, "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run", "u",
               "C:\\Gone\\notread.exe");
    EXPECT_EQ(
        (Texts{"HKLM\\" + run + " | C:\\Gone\\a64.exe", "HKLM\\" + twin + "Run | C:\\Gone\\a32.exe",
               "HKLM\\" + twin + "RunOnce | C:\\Gone\\b32.exe"}),
        KeyTextsOf(10))
        << "HKCU\\Software is one key for both views: no twin is read there";
}

TEST_F(RegistryViews, ClassReferencesSkipTheThirtyTwoBitRootAndContainers) {
    os.PutText(kClassesRoot, "CLSID\\{64}", "", "");
    os.PutText(kClassesRoot, "Wow6432Node\\CLSID", "", "ClassMoniker");
    os.PutText(kClassesRoot, "Wow6432Node\\CLSID\\{32}", "", "");
    os.PutText(kClassesRoot, "Mdk.Both\\CLSID", "", "{64}");
    os.PutText(kClassesRoot, "Mdk.Only32\\CLSID", "", "{32}");
    os.PutText(kClassesRoot, "Mdk.Gone\\CLSID", "", "{99}");
    os.PutText(kClassesRoot, "Mdk.Tree\\CLSID", "", "{98}");
    os.AddKey(kClassesRoot, "Mdk.Tree\\CLSID\\{98}");
    EXPECT_EQ((Texts{"HKCR\\Mdk.Gone\\CLSID | {99}"}), KeyTextsOf(5));

    // Without the 64-bit class list no reference is judged, whatever the 32-bit list holds.
    os.PutText(kClassesRoot, "Mdk.Both\\CLSID", "", "{0}");
    os.DenyFullAccess(kClassesRoot, "CLSID");
    EXPECT_TRUE(KeyTextsOf(5).empty());
}

} // namespace
} // namespace mendrake
