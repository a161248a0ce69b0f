// The text routines shared by the scanners: command-line paths and path parts.
#include "engine/common_unit.h"
#include "platform/memory/memory_platform.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

TEST(ExtractCommandPath, CutsArgumentsOnlyAtQuotesSlashesPercentAndSpacedDashes) {
    const struct {
        const char* command;
        const char* path;
    } cases[] = {
        {"C:\\WINDOWS\\notepad.exe %1", "C:\\WINDOWS\\notepad.exe"},
        {"C:\\App\\app.exe /S", "C:\\App\\app.exe"},
        {"C:\\App\\app.exe -x", "C:\\App\\app.exe"},
        {"C:\\App\\app.exe /", "C:\\App\\app.exe"},
        {"C:\\my-app\\app.exe", "C:\\my-app\\app.exe"},
        {"rundll32.exe shell32.dll,Control_RunDLL", "rundll32.exe shell32.dll,Control_RunDLL"},
        {"%ProgramFiles%\\App\\app.exe", ""},
        {"   ", ""},
        {"", ""},
        {"\"C:\\Program Files\\App\\app.exe\" \"%1\"", "C:\\Program Files\\App\\app.exe"},
        {"\"  C:\\Unclosed\\app.exe -x  ", "C:\\Unclosed\\app.exe -x"},
        {"C:\\Gone\\tool.com arg", "C:\\Gone\\tool.com arg"},
        {"-x C:\\a.exe", "-x C:\\a.exe"}, // a dash at the start has no space before it
        {"C:\\a.exe\"x\"", "C:\\a.exe"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.path, ExtractCommandPath(c.command)) << "command: [" << c.command << "]";
    }
}

TEST(PathParts, SplitAtTheLastBackslashOrColon) {
    const struct {
        const char* path;
        const char* drive;
        const char* name;
        const char* folder;
        const char* extension;
    } cases[] = {
        {"C:\\x.dll", "C:", "x.dll", "C:\\", ".dll"},
        {"\\\\srv\\share\\x.dll", "\\\\srv\\share", "x.dll", "\\\\srv\\share\\", ".dll"},
        {"x.dll", "", "x.dll", "", ".dll"},
        {"%SystemRoot%\\x.dll", "", "x.dll", "%SystemRoot%\\", ".dll"},
        {"\"C:\\x.dll\"", "", "x.dll\"", "\"C:\\", ".dll\""},
        {"C:\\dir.d\\file", "C:", "file", "C:\\dir.d\\", ""},
        {"C:file.txt", "C:", "file.txt", "C:", ".txt"},
        {"\\rooted\\x", "", "x", "\\rooted\\", ""},
        {"", "", "", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.drive, DrivePart(c.path)) << c.path;
        EXPECT_EQ(c.name, NamePart(c.path)) << c.path;
        EXPECT_EQ(c.folder, FolderPart(c.path)) << c.path;
        EXPECT_EQ(c.extension, ExtensionPart(c.path)) << c.path;
    }
}

TEST(TextRules, UpperCaseTouchesOnlyAsciiLettersAndTrimRemovesControlCharacters) {
    EXPECT_EQ("ABC\xE9{}", UpperCase("abC\xE9{}"));
    EXPECT_EQ("a b", Trim("\t\r\n a b \x01\x1F "));
    EXPECT_EQ("", Trim("   "));
}

class FileTests : public testing::Test {
  protected:
    platform::MemoryPlatform os;
    platform::ScopedOs installed{os};
};

TEST_F(FileTests, FileFoundIsTrueOnlyForFilesAndMatchesWildcards) {
    os.AddFile("C:\\Apps\\tool.exe");
    os.AddFolder("C:\\Apps\\folder.exe");
    EXPECT_TRUE(FileFound("C:\\Apps\\tool.exe"));
    EXPECT_TRUE(FileFound("c:\\apps\\TOOL.EXE"));
    EXPECT_TRUE(FileFound("C:\\Apps\\t?ol.*"));
    EXPECT_FALSE(FileFound("C:\\Apps\\folder.exe"));
    EXPECT_FALSE(FileFound("C:\\Apps\\fold*"));
    EXPECT_FALSE(FileFound(""));
    EXPECT_FALSE(FileFound("\"C:\\Apps\\tool.exe\""));
    EXPECT_TRUE(FolderFound("C:\\Apps\\folder.exe"));
    EXPECT_FALSE(FolderFound("C:\\Apps\\tool.exe"));
}

TEST_F(FileTests, TheExistenceCacheAnswersEachPathOnceAndForgetsAfterTheRun) {
    os.AddFile("C:\\Apps\\tool.exe");
    {
        ExistenceCacheScope run;
        EXPECT_TRUE(FileFound("C:\\Apps\\tool.exe"));
        os.DeleteFileAt("C:\\Apps\\tool.exe");
        EXPECT_TRUE(FileFound("C:\\Apps\\tool.exe")); // the answer of this run stands
    }
    EXPECT_FALSE(FileFound("C:\\Apps\\tool.exe"));
}

TEST_F(FileTests, CommandProgramFoundTriesEachPrefixBeforeABlankWithAndWithoutExe) {
    os.AddFile("C:\\Windows\\system32\\rundll32.exe");
    os.AddFile("C:\\Tools\\tool.com");
    os.AddFile("C:\\Program Files\\App\\app.exe");
    EXPECT_TRUE(
        CommandProgramFound("C:\\Windows\\system32\\rundll32.exe shell32.dll,Control_RunDLL"));
    EXPECT_TRUE(CommandProgramFound("C:\\Tools\\tool.com arg"));
    EXPECT_TRUE(CommandProgramFound("C:\\Windows\\system32\\rundll32 x"));
    EXPECT_TRUE(CommandProgramFound("C:\\Program Files\\App\\app arg"));
    EXPECT_FALSE(CommandProgramFound("C:\\Gone\\tool.com arg"));
    EXPECT_FALSE(CommandProgramFound("C:\\Tools\\tool arg")); // ".exe" only, not ".com"
    EXPECT_FALSE(CommandProgramFound(""));
}

} // namespace
} // namespace mendrake
