// The path rules of the registry scanners that a scenario shows only one case at a time.
#include "engine/scanner_paths.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

struct PathCase {
    const char* input;
    const char* expected;
};

TEST(VerbProgramPath, CutsAfterTheFirstExeFollowedByABlank) {
    const PathCase cases[] = {
        {"C:\\Program Files\\Gone\\gone.exe %1", "C:\\Program Files\\Gone\\gone.exe"},
        {"C:\\Program Files\\Gone\\gone.exe -open x", "C:\\Program Files\\Gone\\gone.exe"},
        {"C:\\Gone\\gone.exe arg", "C:\\Gone\\gone.exe"},
        {"C:\\Gone\\GONE.Exe arg", "C:\\Gone\\GONE.Exe"}, // any letter case, kept as written
        {"C:\\Gone\\gone.exe", "C:\\Gone\\gone.exe"},
        {"C:\\Gone\\tool.com arg", "C:\\Gone\\tool.com arg"}, // only ".EXE " cuts
        {"C:\\a.exe b.exe c", "C:\\a.exe"},                   // the first one
        {"C:\\Gone\\my.exefile arg", "C:\\Gone\\my.exefile arg"},
        {"C:\\Gone App.exe dir\\x.exe arg", "C:\\Gone App.exe"},
        {"\"C:\\Gone\\gone.exe\" \"%1\"", "C:\\Gone\\gone.exe"},
        {"\"C:\\Gone Dir\\x.exe y\\z.exe\"",
         "C:\\Gone Dir\\x.exe"}, // the cut applies in quotes too
        {"%SystemRoot%\\gone.exe %1", ""},
        {"", ""},
    };
    for (const PathCase& c : cases) {
        EXPECT_EQ(c.expected, VerbProgramPath(c.input)) << "command: " << c.input;
    }
}

TEST(HelpFilePath, JoinsFolderAndNameAndCollapsesBackslashPairsButKeepsANetworkFolder) {
    struct HelpCase {
        const char* folder;
        const char* name;
        const char* expected;
    };
    const HelpCase cases[] = {
        {"C:\\Windows\\Help", "x.hlp", "C:\\Windows\\Help\\x.hlp"},
        {"C:\\Windows\\Help\\", "x.hlp", "C:\\Windows\\Help\\x.hlp"},
        {"C:\\Windows\\Help\\\\", "x.hlp", "C:\\Windows\\Help\\\\x.hlp"}, // three become two
        {"C:\\a\\\\\\", "x.hlp", "C:\\a\\\\x.hlp"},                 // four in a row become two
        {"", "x.chm", "\\x.chm"},                                   // empty data: rooted
        {"\\\\server\\share", "x.chm", "\\\\server\\share\\x.chm"}, // a network folder
        {"\\\\server\\\\share\\\\", "x.chm", "\\\\server\\share\\\\x.chm"},
        {"\\\\\\server", "x.chm", "\\\\server\\x.chm"}, // three become two
        {"C:\\a\\\\b", "x.hlp", "C:\\a\\b\\x.hlp"},
    };
    for (const HelpCase& c : cases) {
        EXPECT_EQ(c.expected, HelpFilePath(c.folder, c.name))
            << "folder: " << c.folder << ", name: " << c.name;
    }
}

TEST(LooksLikeClassId, BracesAndTheFiveGroupsOfHexadecimalDigits) {
    const std::pair<const char*, bool> cases[] = {
        {"{6D6B15F1-0000-4000-8000-00000000F0F1}", true},
        {"{6d6b15f1-abcd-4000-8000-00000000f0f1}", true},
        {"6D6B15F1-0000-4000-8000-00000000F0F1", false},
        {"{6D6B15F1-0000-4000-8000-00000000F0F1", false},
        {" {6D6B15F1-0000-4000-8000-00000000F0F1}", false},
        {"{6D6B15F1-0000-4000-8000-00000000F0F1} ", false},
        {"{6D6B15G1-0000-4000-8000-00000000F0F1}", false},
        {"{6D6B15F1-000-04000-8000-00000000F0F1}", false},
        {"{6D6B15F1+0000-4000-8000-00000000F0F1}", false},
        {"{6D6B15F1-0000-4000-8000-00000000F0F10}", false},
        {"{}", false},
        {"", false},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(expected, LooksLikeClassId(text)) << "text: " << text;
    }
}

} // namespace
} // namespace mendrake
