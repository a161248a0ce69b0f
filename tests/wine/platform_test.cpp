// The real platform under Wine: file tests and patterns on real files, RegistryAccess on real
// keys, and the behaviours of Windows that the memory platform imitates.
#include "engine/analysis_run.h"
#include "engine/common_unit.h"
#include "engine/error.h"
#include "engine/registry_access.h"
#include "engine/registry_views.h"
#include "platform/platform.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using platform::kLocalMachine;

TEST(RealFiles, FileFoundFolderFoundAndPatterns) {
    test::PlantedFiles files;
    files.AddFile("C:\\MendrakeTest\\files\\tool.exe");
    files.AddFolder("C:\\MendrakeTest\\files\\folder.exe\\");
    const struct {
        const char* path;
        bool file;
        bool folder;
    } cases[] = {
        {"C:\\MendrakeTest\\files\\tool.exe", true, false},
        {"c:\\mendraketest\\FILES\\TOOL.EXE", true, false},
        {"C:\\MendrakeTest\\files\\t?ol.*", true, false},
        {"C:\\MendrakeTest\\files\\folder.exe", false, true},
        {"C:\\MendrakeTest\\files\\fold*", false, false},
        {"C:\\MendrakeTest\\files\\gone.exe", false, false},
        {"\"C:\\MendrakeTest\\files\\tool.exe\"", false, false},
        {"C:\\MendrakeTest\\files", false, true},
        {"", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.file, FileFound(c.path)) << c.path;
        EXPECT_EQ(c.folder, FolderFound(c.path)) << c.path;
    }
}

TEST(RealFiles, ListFolderGivesDotEntriesAndAttributes) {
    test::PlantedFiles files;
    files.AddFile("C:\\MendrakeTest\\list\\a.lnk", "",
                  platform::kAttrHidden | platform::kAttrSystem);
    files.AddFolder("C:\\MendrakeTest\\list\\sub\\");
    std::vector<std::string> names;
    std::uint32_t linkAttributes = 0;
    AnalysisRun run;
    for (const auto& entry : ListFolder(run, "C:\\MendrakeTest\\list\\")) {
        names.push_back(entry.name);
        if (entry.name == "a.lnk") {
            linkAttributes = entry.attributes;
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{".", "..", "a.lnk", "sub"}), names);
    EXPECT_EQ(platform::kAttrHidden | platform::kAttrSystem,
              linkAttributes & (platform::kAttrHidden | platform::kAttrSystem));
}

TEST(RealRegistry, RegistryAccessOnRealKeys) {
    test::PlantedRegistry planted("REGEDIT4\r\n\r\n"
                                  "[HKEY_LOCAL_MACHINE\\Software\\MendrakeTest\\b]\r\n"
                                  "[HKEY_LOCAL_MACHINE\\Software\\MendrakeTest\\A\\Deep]\r\n"
                                  "[HKEY_LOCAL_MACHINE\\Software\\MendrakeTest]\r\n"
                                  "@=\"default\"\r\n"
                                  "\"Number\"=dword:fffffffe\r\n"
                                  "\"Text\"=\"C:\\\\a.exe\"\r\n");
    RegistryAccess reg;
    reg.SetRoot(kLocalMachine);
    ASSERT_TRUE(reg.Open("\\Software\\MendrakeTest"));
    EXPECT_FALSE(reg.Open("\\Software\\MendrakeTest\\Missing"));
    EXPECT_EQ("Software\\MendrakeTest", reg.CurrentPath());
    EXPECT_EQ((std::vector<std::string>{"A", "b"}), reg.SubkeyNames());
    EXPECT_EQ((std::vector<std::string>{"", "Number", "Text"}), reg.ValueNames());
    EXPECT_EQ(-2, reg.ReadNumber("number"));
    EXPECT_EQ("C:\\a.exe", reg.ReadText("Text"));
    EXPECT_EQ(ValueKind::Unknown, reg.ValueKindOf("Missing"));
    EXPECT_THROW(reg.ReadText("Number"), Error);
    ASSERT_TRUE(reg.Open("A"));
    EXPECT_EQ("Software\\MendrakeTest\\A", reg.CurrentPath());
    EXPECT_TRUE(reg.AnySubkeys());
    EXPECT_TRUE(reg.RemoveKey("\\Software\\MendrakeTest\\A"));
    RegistryAccess check;
    check.SetRoot(kLocalMachine);
    EXPECT_FALSE(check.Open("\\Software\\MendrakeTest\\A"));
    EXPECT_TRUE(check.Open("\\Software\\MendrakeTest\\b"));
}

TEST(RealRegistry, ClassesRootLivesInTheMachineClassesKey) {
    test::PlantedRegistry planted("REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\.mendraketest]\r\n"
                                  "@=\"x\"\r\n");
    RegistryAccess reg;
    reg.SetRoot(kLocalMachine);
    ASSERT_TRUE(reg.Open("\\Software\\Classes\\.mendraketest"));
    EXPECT_EQ("x", reg.ReadText(""));
}

std::string IdentityOf(std::uint32_t root, const std::string& path) {
    RegistryAccess reg;
    reg.SetRoot(root);
    return reg.Open(path) ? reg.KeyIdentity() : "(missing)";
}

TEST(RealRegistry, KeyIdentityNamesThePhysicalKey) {
    test::PlantedRegistry planted("REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\.mendraketest]\r\n");
    const std::string viaClasses = IdentityOf(platform::kClassesRoot, "\\.mendraketest");
    EXPECT_EQ("\\REGISTRY\\MACHINE\\SOFTWARE\\CLASSES\\.MENDRAKETEST", viaClasses);
    EXPECT_EQ(viaClasses, IdentityOf(kLocalMachine, "\\Software\\Classes\\.MendrakeTest"));
    // Wine links the keys both views share, as Windows shares them: the twin path of App Paths
    // and of the font list leads to the 64-bit key.
    const std::string appPaths = "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
    EXPECT_EQ(IdentityOf(kLocalMachine, appPaths),
              IdentityOf(kLocalMachine, Wow64TwinKey(kLocalMachine, appPaths)));
}

TEST(RealRegistry, BothViewsReadsASharedKeyOnceAndARedirectedOneTwice) {
    test::PlantedRegistry planted(
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\MendrakeTest\\Area]\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\MendrakeTest\\Area]\r\n");
    const std::vector<ViewArea> shared =
        BothViews(kLocalMachine, "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths");
    EXPECT_EQ(1u, shared.size());
    const std::vector<ViewArea> redirected =
        BothViews(kLocalMachine, "\\Software\\MendrakeTest\\Area");
    ASSERT_EQ(2u, redirected.size());
    EXPECT_EQ("HKLM\\Software\\Wow6432Node\\MendrakeTest\\Area", redirected[1].KeyText());
    EXPECT_EQ(RegistryView::Wow64, redirected[1].view);
    EXPECT_EQ(1u, BothViews(kLocalMachine, "\\Software\\MendrakeTest\\Missing").size());
}

TEST(RealFiles, ThirtyTwoBitPathsUseTheWindowsFolderOfThePrefix) {
    EXPECT_EQ("C:\\windows", platform::Os().WindowsFolder());
    EXPECT_EQ("C:\\WINDOWS\\SysWOW64\\x.dll",
              PathSeenBy(RegistryView::Wow64, "C:\\WINDOWS\\system32\\x.dll"));
}

} // namespace
} // namespace mendrake
