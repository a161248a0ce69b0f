// The shortcut walk on the real file system of Wine: folder links that lead back into the
// walked tree, and the shortcut object reached through ResolveShortcut.
#include "engine/algorithm_unit.h"
#include "engine/issue_model.h"
#include "tests/support/fixtures.h"
#include "tests/support/shell_link.h"
#include "tests/wine/host_program.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace mendrake::test {
namespace {

// A folder symbolic link `name` in `folder` pointing at `target`, removed when the object goes.
// Wine 8's CreateSymbolicLinkA reports success and makes nothing, so the link is a Unix one,
// which Wine shows as a folder with the reparse-point attribute and follows like a junction.
class FolderLink {
  public:
    FolderLink(std::string folder, std::string name, const std::string& target)
        : folder_(std::move(folder)), name_(std::move(name)) {
        const std::string path = folder_ + name_;
        EXPECT_TRUE(StartHostProgram("Z:\\bin\\ln", "ln -s " + target + " " + name_, folder_))
            << "error " << GetLastError();
        EXPECT_TRUE(AwaitPath(path, true)) << "ln -s " << target << " " << path;
        const DWORD attributes = GetFileAttributesA(path.c_str());
        EXPECT_NE(0u, attributes & FILE_ATTRIBUTE_DIRECTORY) << "attributes " << attributes;
    }
    ~FolderLink() {
        if (StartHostProgram("Z:\\bin\\rm", "rm -f " + name_, folder_)) {
            AwaitPath(folder_ + name_, false);
        }
    }
    FolderLink(const FolderLink&) = delete;
    FolderLink& operator=(const FolderLink&) = delete;

  private:
    std::string folder_, name_;
};

// Folder links are not entered: one back into the tree would make the walk endless, and one
// out of it (under Wine the desktop is often the home folder, and a link to "/" the whole file
// system) would lead the fix to delete the broken shortcuts it found there.
TEST(ShortcutWalk, FolderLinksAreNotEntered) {
    const std::string root = "C:\\MendrakeTest\\loop\\";
    const std::string inner = root + "inner\\";
    PlantedFiles files;
    files.AddFolder(inner);
    files.AddFile(inner + "Gone.lnk");
    MakeShortcut(inner + "Gone.lnk", root + "gone.exe");
    FolderLink self(inner, "Self", ".");
    FolderLink up(inner, "Up", "..");
    FolderLink top(root, "Top", "/"); // followed, the walk would not end within the test's time
    const std::string outside = "C:\\MendrakeTest\\loopside\\";
    files.AddFolder(outside);
    files.AddFile(outside + "Side.lnk");
    MakeShortcut(outside + "Side.lnk", root + "side.exe");
    FolderLink side(root, "Side", "../loopside");

    Issues.clear();
    AnalysisRun run;
    ScanShortcutFolder(run, root, "Desktop");
    std::vector<TItem> found = std::move(Issues);
    Issues.clear();

    ASSERT_EQ(1u, found.size()) << Blocks(found);
    EXPECT_EQ(inner, found[0].Key);
    EXPECT_EQ("Gone.lnk", found[0].Value);
    ASSERT_EQ(FILE_ATTRIBUTE_REPARSE_POINT,
              GetFileAttributesA((root + "Side").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT)
        << "Wine shows the link as a reparse point";
}

TEST(ShortcutWalk, ResolveShortcutAddsTheExtensionOnlyWhenNoLnkIsInThePath) {
    PlantedFiles files;
    const std::string folder = "C:\\MendrakeTest\\resolve\\";
    files.AddFile(folder + "App.lnk");
    MakeShortcut(folder + "App.lnk", "C:\\MendrakeTest\\resolve\\app.exe");
    files.AddFile(folder + "x.LNK.bak");
    MakeShortcut(folder + "x.LNK.bak", "C:\\MendrakeTest\\resolve\\bak.exe");

    EXPECT_EQ("C:\\MendrakeTest\\resolve\\app.exe", ResolveShortcut(folder + "App.lnk"));
    EXPECT_EQ("C:\\MendrakeTest\\resolve\\app.exe", ResolveShortcut(folder + "App"));
    // ".LNK" anywhere in the path, in any letter case, keeps the path as it is.
    EXPECT_EQ("C:\\MendrakeTest\\resolve\\bak.exe", ResolveShortcut(folder + "x.LNK.bak"));
    EXPECT_EQ("", ResolveShortcut(folder + "missing.lnk"));
}

} // namespace
} // namespace mendrake::test
