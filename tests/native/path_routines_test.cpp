// The text routines shared by the scanners: command-line paths and path parts.
#include "engine/analysis_run.h"
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

// GetFileAttributesA refuses the paging file with a sharing violation and a file pending
// deletion with access denied, although both are there: a search answers instead. Any other
// failure means the path is not there.
TEST_F(FileTests, FilesThatRefuseTheirAttributesAreFoundBySearching) {
    const struct {
        const char* path;
        std::uint32_t error;
        bool found;
    } cases[] = {
        {"C:\\pagefile.sys", platform::kSharingViolation, true},
        {"C:\\Apps\\leaving.exe", platform::kAccessDenied, true},
        {"C:\\Apps\\odd.exe", platform::kInvalidHandle, false},
    };
    for (const auto& c : cases) {
        os.AddFile(c.path, "", platform::kAttrHidden | platform::kAttrSystem);
        os.FailAttributes(c.path, c.error);
        EXPECT_EQ(c.found, FileFound(c.path)) << c.path;
    }
    os.AddFolder("C:\\Locked");
    os.FailAttributes("C:\\Locked", platform::kAccessDenied);
    EXPECT_FALSE(FileFound("C:\\Locked")) << "a folder found by searching is still no file";
    EXPECT_TRUE(FolderFound("C:\\Locked"));
}

TEST_F(FileTests, TheExistenceCacheAnswersEachPathOnceAndForgetsAfterTheRun) {
    os.AddFile("C:\\Apps\\tool.exe");
    {
        AnalysisRun run;
        EXPECT_TRUE(FileFound(run, "C:\\Apps\\tool.exe"));
        os.DeleteFileAt("C:\\Apps\\tool.exe");
        EXPECT_TRUE(FileFound(run, "C:\\Apps\\tool.exe")); // the answer of this run stands
        EXPECT_FALSE(FileFound("C:\\Apps\\tool.exe")) << "outside the run, asked afresh";
    }
    AnalysisRun next;
    EXPECT_FALSE(FileFound(next, "C:\\Apps\\tool.exe")) << "a new run remembers nothing";
}

// Windows' rule for the program of a command: ".exe" is appended to a name without an
// extension (quoted or not), an unquoted path is tried at each blank, and a name without an
// extension never runs as it stands.
TEST_F(FileTests, CommandProgramFoundFollowsTheRuleWindowsStartsProgramsBy) {
    os.AddFile("C:\\Windows\\system32\\rundll32.exe");
    os.AddFile("C:\\Tools\\tool.com");
    os.AddFile("C:\\Tools\\mytool.exe");
    os.AddFile("C:\\Program Files\\App\\app.exe");
    os.AddFile("C:\\Program"); // a file without extension, as setup programs sometimes leave
    os.AddFile("C:\\Tools\\plain");
    const struct {
        const char* path;
        bool quoted;
        bool found;
    } cases[] = {
        {"C:\\Windows\\system32\\rundll32.exe shell32.dll,Control_RunDLL", false, true},
        {"C:\\Tools\\tool.com arg", false, true},
        {"C:\\Windows\\system32\\rundll32 x", false, true},
        {"C:\\Program Files\\App\\app arg", false, true},
        {"C:\\Tools\\mytool", false, true},
        {"C:\\Tools\\mytool", true, true},
        {"C:\\Gone\\tool.com arg", false, false},
        {"C:\\Tools\\tool arg", false, false},            // ".exe" only, not ".com"
        {"C:\\Program Files\\App\\app arg", true, false}, // quoted: no prefix is tried
        {"C:\\Program Files\\Gone\\gone.exe arg", false, false},
        {"C:\\Tools\\plain", false, false},
        {"C:\\Tools\\plain", true, false},
        {"", false, false},
    };
    AnalysisRun run;
    for (const auto& c : cases) {
        EXPECT_EQ(c.found, CommandProgramFound(run, c.path, c.quoted))
            << c.path << (c.quoted ? " (quoted)" : "");
    }
}

} // namespace
} // namespace mendrake
