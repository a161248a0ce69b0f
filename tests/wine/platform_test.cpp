// The real platform under Wine: file tests and patterns on real files, RegistryAccess on real
// keys, and the behaviours of Windows that the memory platform imitates.
#include "engine/common_unit.h"
#include "engine/error.h"
#include "engine/registry_access.h"
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
    for (const auto& entry : ListFolder("C:\\MendrakeTest\\list\\")) {
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

} // namespace
} // namespace mendrake
