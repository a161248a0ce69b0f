// The type-library and shell-extension checks in both registry views on the memory platform:
// a twin area of its own is read after the 64-bit one and names its Wow6432Node keys, a twin
// that Windows shares with the 64-bit key (a link) is read once, and a 32-bit library file is
// looked for where 32-bit programs find System32.
#include "engine/issue_model.h"
#include "platform/memory/memory_platform.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using platform::kClassesRoot;
using platform::kLocalMachine;

using Texts = std::vector<std::string>;

class CategoryViews : public testing::Test {
  protected:
    // "KeyText | Data" of each issue of a category.
    Texts KeyTextsOf(std::int32_t category) {
        Texts texts;
        for (const TItem& item : test::Scan({category})) {
            texts.push_back(item.KeyText + " | " + item.Data);
        }
        return texts;
    }

    platform::MemoryPlatform os; // its Windows folder is C:\windows
    platform::ScopedOs installed{os};
};

TEST_F(CategoryViews, TypeLibrariesOfASeparateThirtyTwoBitAreaNameItsKeys) {
    // Windows before 7 kept the libraries of 32-bit programs apart.
    os.PutText(kClassesRoot, "TypeLib\\{64}\\1.0\\0\\win64", "", "C:\\Gone\\a64.tlb");
    os.PutText(kClassesRoot, "Wow6432Node\\TypeLib\\{32}\\1.0\\0\\win32", "",
               "C:\\Windows\\System32\\only64.tlb");
    os.PutText(kClassesRoot, "Wow6432Node\\TypeLib\\{32}\\2.0\\0\\win32", "",
               "C:\\Windows\\System32\\only32.tlb");
    os.AddFile("C:\\windows\\system32\\only64.tlb");
    os.AddFile("C:\\windows\\syswow64\\only32.tlb");
    // The 64-bit library loses its only version, and its key with it.
    EXPECT_EQ((Texts{"HKCR\\TypeLib\\{64}\\1.0 | C:\\Gone\\a64.tlb",
                     "HKCR\\Wow6432Node\\TypeLib\\{32}\\1.0 | C:\\Windows\\System32\\only64.tlb",
                     "HKCR\\TypeLib\\{64} | {64}"}),
              KeyTextsOf(11));
}

TEST_F(CategoryViews, ASharedTypeLibraryKeyIsReadOnce) {
    // Windows 7 and later, and Wine, keep one TypeLib key for both views.
    os.PutText(kClassesRoot, "TypeLib\\{1}\\1.0\\0\\win32", "", "C:\\Gone\\a.tlb");
    os.LinkKey(kClassesRoot, "Wow6432Node\\TypeLib", "TypeLib");
    EXPECT_EQ((Texts{"HKCR\\TypeLib\\{1}\\1.0 | C:\\Gone\\a.tlb", "HKCR\\TypeLib\\{1} | {1}"}),
              KeyTextsOf(11));
}

TEST_F(CategoryViews, ShellExtensionListsOfBothViewsAndTheirSharedKeys) {
    const std::string overlays =
        "Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";
    const std::string approved = "Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
    const std::string gone = "{6D6B15F1-0000-4000-8000-00000000F0F1}";
    const std::string gone32 = "{6D6B15F2-0000-4000-8000-00000000F0F2}";
    os.AddKey(kClassesRoot, "CLSID\\{6D6B1501-0000-4000-8000-00000000F001}");
    os.PutText(kLocalMachine, "Software\\" + overlays + "\\A", "", gone);
    os.PutText(kLocalMachine, "Software\\Wow6432Node\\" + overlays + "\\B", "", gone32);
    // One overlay key shared through a link below the 32-bit list: the 64-bit pass reports it.
    os.PutText(kLocalMachine, "Software\\" + overlays + "\\Shared", "", gone);
    os.LinkKey(kLocalMachine, "Software\\Wow6432Node\\" + overlays + "\\Shared",
               "Software\\" + overlays + "\\Shared");
    // A shared approved list is read once.
    os.PutText(kLocalMachine, "Software\\" + approved, gone, "x");
    os.LinkKey(kLocalMachine, "Software\\Wow6432Node\\" + approved, "Software\\" + approved);
    EXPECT_EQ((Texts{"HKLM\\Software\\" + overlays + "\\A | " + gone,
                     "HKLM\\Software\\" + overlays + "\\Shared | " + gone,
                     "HKLM\\Software\\Wow6432Node\\" + overlays + "\\B | " + gone32,
                     "HKLM\\Software\\" + approved + " | " + gone}),
              KeyTextsOf(15));
}

} // namespace
} // namespace mendrake
