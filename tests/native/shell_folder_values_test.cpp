// Which Shell Folders values lead to a walk: only text values that name a folder, read as
// written; anything else, and a key without full access, means no walk and no error.
#include "engine/algorithm_unit.h"
#include "engine/issue_model.h"
#include "platform/memory/memory_platform.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <string>

namespace mendrake::test {
namespace {

using platform::MemoryPlatform;

const char* const kShellFolders =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A memory Windows with a broken shortcut in C:\Desk\ and in C:\%DESK%\ (a folder whose name
// looks like an environment reference).
struct DesktopFixture {
    MemoryPlatform os;
    platform::ScopedOs installed{os};
    DesktopFixture() {
        const std::string gone = ReadHostFile(ScenarioDir("desktop-walk") + "/gone.lnk");
        os.AddFile("C:\\Desk\\Gone.lnk", gone);
        os.AddFile("C:\\%DESK%\\Gone.lnk", gone);
    }
    std::vector<TItem> ScanDesktopIssues() {
        Issues.clear();
        AnalysisRun run;
        ScanDesktop(run);
        std::vector<TItem> found = std::move(Issues);
        Issues.clear();
        return found;
    }
};

TEST(ShellFolderValues, OnlyTextValuesAreWalkedAndNeverExpanded) {
    struct Case {
        const char* what;
        std::uint32_t type;
        std::string data;
        const char* walked; // the folder of the one issue, or "" for no walk
    };
    const Case cases[] = {
        {"text", platform::kRegSz, std::string("C:\\Desk\0", 8), "C:\\Desk\\"},
        {"expandable text, unexpanded", platform::kRegExpandSz, std::string("C:\\%DESK%\0", 10),
         "C:\\%DESK%\\"},
        {"empty text", platform::kRegSz, std::string("\0", 1), ""},
        {"number", platform::kRegDword, std::string("\1\0\0\0", 4), ""},
        {"multi-string", platform::kRegMultiSz, std::string("C:\\Desk\0\0", 9), ""},
        {"text naming no folder", platform::kRegSz, std::string("C:\\Nowhere\0", 11), ""},
    };
    for (const Case& c : cases) {
        DesktopFixture fixture;
        fixture.os.PutValue(platform::kCurrentUser, kShellFolders, "Desktop", c.type, c.data);
        const std::vector<TItem> found = fixture.ScanDesktopIssues();
        if (std::string(c.walked).empty()) {
            EXPECT_TRUE(found.empty()) << c.what << ":\n" << Blocks(found);
        } else {
            ASSERT_EQ(1u, found.size()) << c.what << ":\n" << Blocks(found);
            EXPECT_EQ(c.walked, found[0].Key) << c.what;
            EXPECT_EQ(0, found[0].Kind) << c.what;
        }
    }
}

TEST(ShellFolderValues, CommonFolderKeyWithoutFullAccessIsSkipped) {
    DesktopFixture fixture;
    fixture.os.PutText(platform::kCurrentUser, kShellFolders, "Desktop", "C:\\Desk");
    fixture.os.PutText(platform::kLocalMachine, kShellFolders, "Common Desktop", "C:\\%DESK%");
    ASSERT_EQ(2u, fixture.ScanDesktopIssues().size());

    fixture.os.DenyFullAccess(platform::kLocalMachine, kShellFolders);
    const std::vector<TItem> found = fixture.ScanDesktopIssues();
    ASSERT_EQ(1u, found.size()) << Blocks(found);
    EXPECT_EQ("C:\\Desk\\", found[0].Key);
}

} // namespace
} // namespace mendrake::test
