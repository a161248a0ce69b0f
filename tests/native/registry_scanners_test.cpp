// Registry scanner behaviour that a scenario on the shared platform can't set up: a fonts
// folder holding the font, keys that are missing or refused, a platform without Uninstall.
#include "engine/algorithm_unit.h"
#include "engine/issue_model.h"
#include "platform/memory/memory_platform.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using platform::kCurrentUser;
using platform::kLocalMachine;

class RegistryScanners : public testing::Test {
  protected:
    std::vector<TItem> ScanOf(std::int32_t category) { return test::Scan({category}); }
    std::vector<std::string> DataOf(std::int32_t category) {
        std::vector<std::string> data;
        for (const TItem& item : ScanOf(category)) {
            data.push_back(item.Data);
        }
        return data;
    }

    platform::MemoryPlatform os;
    platform::ScopedOs installed{os};
};

using Texts = std::vector<std::string>;

TEST_F(RegistryScanners, FontNamesAreLookedUpInTheFontsFolderItReports) {
    os.fontsFolder = "D:\\Fonts";
    os.AddFile("D:\\Fonts\\present.ttf");
    os.AddFolder("D:\\Fonts\\afolder.ttf");
    const char* key = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    os.PutText(kLocalMachine, key, "Present (TrueType)", "present.ttf");
    os.PutText(kLocalMachine, key, "Gone (TrueType)", "gone.ttf");
    os.PutText(kLocalMachine, key, "Folder (TrueType)", "afolder.ttf");
    os.PutText(kLocalMachine, key, "Elsewhere (TrueType)", "C:\\Other\\present.ttf");
    EXPECT_EQ((Texts{"D:\\Fonts\\gone.ttf", "D:\\Fonts\\afolder.ttf", "C:\\Other\\present.ttf"}),
              DataOf(7));
}

TEST_F(RegistryScanners, UninstallCacheIsLeftAloneWithoutAnUninstallList) {
    const char* cache = "Software\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache";
    os.AddKey(kLocalMachine, std::string(cache) + "\\Kept");
    os.AddKey(kLocalMachine, std::string(cache) + "\\Orphan");
    EXPECT_TRUE(ScanOf(9).empty()) << "no Uninstall key: nothing to compare with";

    const char* uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    os.AddKey(kLocalMachine, uninstall);
    EXPECT_EQ((Texts{"Kept", "Orphan"}), DataOf(9)) << "an empty Uninstall key lists nothing";

    os.DenyFullAccess(kLocalMachine, uninstall);
    EXPECT_TRUE(ScanOf(9).empty()) << "a refused Uninstall key counts as missing";
}

// A listing cut short is no list: compared with it, every cache entry after the bad name would
// look orphaned and be deleted by a fix. The same holds for the class list of the references.
TEST_F(RegistryScanners, ChecksOfWhatIsAbsentFromAListSkipAnIncompleteList) {
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const std::string cache =
        "Software\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\";
    for (const char* name : {"Alpha", "Bad", "Zulu"}) {
        os.AddKey(kLocalMachine, uninstall + name);
        os.AddKey(kLocalMachine, cache + name);
    }
    os.AddKey(kLocalMachine, cache + "Orphan");
    EXPECT_EQ((Texts{"Orphan"}), DataOf(9));
    os.FailNameListing(kLocalMachine, uninstall + "Bad", platform::kMoreData);
    EXPECT_TRUE(ScanOf(9).empty());

    os.PutText(platform::kClassesRoot,
               "CLSID\\{00000001-0000-0000-0000-000000000000}\\InprocServer32", "",
               "C:\\Gone\\gone.dll");
    os.AddKey(platform::kClassesRoot, "CLSID\\{00000002-0000-0000-0000-000000000000}");
    os.PutText(platform::kClassesRoot, "Mdk.Ref\\CLSID", "",
               "{00000002-0000-0000-0000-000000000000}");
    os.PutText(platform::kClassesRoot, "Mdk.Dangling\\CLSID", "",
               "{0000000F-0000-0000-0000-000000000000}");
    EXPECT_EQ((Texts{"C:\\Gone\\gone.dll", "{0000000F-0000-0000-0000-000000000000}"}), DataOf(5));
    os.FailNameListing(platform::kClassesRoot, "CLSID\\{00000002-0000-0000-0000-000000000000}",
                       platform::kMoreData);
    EXPECT_EQ((Texts{"C:\\Gone\\gone.dll"}), DataOf(5))
        << "servers of listed classes are still judged";
}

// One bad name hides none of the names after it.
TEST_F(RegistryScanners, KeysListedAfterANameThatFailsAreStillExamined) {
    os.AddKey(kCurrentUser, "Software\\A Long Name");
    os.FailNameListing(kCurrentUser, "Software\\A Long Name", platform::kMoreData);
    os.AddKey(kCurrentUser, "Software\\Empty");
    os.AddKey(platform::kClassesRoot, ".keep\\sub"); // the machine's Classes key is not empty
    EXPECT_EQ((Texts{"Empty"}), DataOf(6));
}

// The uninstall cache is compared by the user locale's case-insensitive comparison alone: under
// Turkish casing "I" and "i" are different letters.
TEST_F(RegistryScanners, UninstallNamesCompareByTheUserLocale) {
    os.AddKey(kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winzip");
    os.AddKey(kLocalMachine,
              "Software\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\WINZIP");
    EXPECT_TRUE(ScanOf(9).empty());
    os.turkishCasing = true;
    EXPECT_EQ((Texts{"WINZIP"}), DataOf(9));
}

TEST_F(RegistryScanners, RefusedOrMissingKeysAreSkippedAndTheOtherPassesRun) {
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    os.PutText(kCurrentUser, run, "User", "C:\\Gone\\user.exe");
    os.PutText(kLocalMachine, run, "Machine", "C:\\Gone\\machine.exe");
    os.DenyFullAccess(kCurrentUser, run);
    EXPECT_EQ((Texts{"C:\\Gone\\machine.exe"}), DataOf(10));

    os.PutText(kLocalMachine, "Software\\Microsoft\\Windows\\Help", "a.hlp", "C:\\Gone");
    os.PutText(kLocalMachine, "Software\\Microsoft\\Windows\\HTML Help", "b.chm", "C:\\Gone");
    os.DenyFullAccess(kLocalMachine, "Software\\Microsoft\\Windows\\Help");
    EXPECT_EQ((Texts{"C:\\Gone\\b.chm"}), DataOf(8));

    os.PutText(kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders",
               "C:\\Gone\\", "");
    os.DenyFullAccess(kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    EXPECT_EQ((Texts{"C:\\Gone\\"}), DataOf(9));
}

TEST_F(RegistryScanners, ApplicationPassesSurviveAClassKeyThatCannotBeEnumerated) {
    os.AddKey(platform::kClassesRoot, "Mdk.Broken\\Shell\\open\\Command");
    os.FailEnumeration(platform::kClassesRoot, "Mdk.Broken\\Shell", platform::kAccessDenied);
    os.PutText(platform::kClassesRoot, "Mdk.Gone\\Shell\\open\\Command", "", "C:\\Gone\\x.exe");
    os.AddKey(kCurrentUser, "Software\\Empty");
    // The verb, then its "Shell" key and its program id, which the fix leaves empty.
    EXPECT_EQ((Texts{"C:\\Gone\\x.exe", "Empty", "Mdk.Gone", "Mdk.Gone"}), DataOf(6));
}

} // namespace
} // namespace mendrake
