// Entries on a volume that does not answer (a drive letter not mapped today, a removable drive
// without media, a share while offline) cannot be judged and are never reported, by any
// scanner; on a volume that answers the usual rules hold.
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "platform/memory/memory_platform.h"
#include "tests/native/lnk_crafted_shortcuts.h"
#include "tests/support/counting_platform.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <map>

namespace mendrake {
namespace {

using platform::kClassesRoot;
using platform::kCurrentUser;
using platform::kLocalMachine;

// D: answers and holds nothing of what is named; E: is planted but offline (a card reader
// without its card); Q: was never mapped; \\nosrv\share does not answer.
const char* const kVolumes[] = {"D:", "E:", "Q:", "\\\\nosrv\\share"};

class UnreachableVolumes : public testing::Test {
  protected:
    UnreachableVolumes() {
        os.AddFolder("D:\\");
        os.AddFile("E:\\Apps\\gone2.exe"); // there, but not to be seen while E: is offline
        os.SetVolumeReachable("E:", false);
        const std::string cv = "Software\\Microsoft\\Windows\\CurrentVersion\\";
        int n = 0;
        for (const std::string volume : kVolumes) {
            const std::string id = std::to_string(++n);
            const std::string program = volume + "\\Apps\\gone" + id + ".exe";
            os.PutNumber(kLocalMachine, cv + "SharedDlls", volume + "\\Apps\\gone" + id + ".dll",
                         1);
            os.PutText(kClassesRoot, "CLSID\\{" + id + "}\\InprocServer32", "",
                       volume + "\\Apps\\server" + id + ".dll");
            os.PutText(kLocalMachine, cv + "App Paths\\gone" + id + ".exe", "", program);
            os.PutText(kLocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                       "Font " + id, volume + "\\Fonts\\gone" + id + ".ttf");
            os.PutText(kLocalMachine, "Software\\Microsoft\\Windows\\Help", "gone" + id + ".hlp",
                       volume + "\\Help");
            os.PutText(kLocalMachine, "Software\\Microsoft\\Windows\\HTML Help",
                       "gone" + id + ".chm", volume + "\\Help");
            os.PutText(kLocalMachine, cv + "Installer\\Folders", volume + "\\Gone" + id + "\\", "");
            os.PutText(kCurrentUser, cv + "Run", "Run " + id, program + " /background");
            os.PutText(kCurrentUser, "Software\\Microsoft\\Windows\\ShellNoRoam\\MuiCache", program,
                       "Gone");
            os.PutText(kClassesRoot, "TypeLib\\{" + id + "}\\1.0\\0\\win64", "",
                       volume + "\\Apps\\gone" + id + ".tlb");
            os.PutText(kCurrentUser,
                       "AppEvents\\Schemes\\Apps\\.Default\\Event" + id + "\\.Current", "",
                       volume + "\\Media\\gone" + id + ".wav");
            os.PutText(kLocalMachine, cv + "Uninstall\\Gone" + id, "UninstallString",
                       program + " /uninstall");
            os.PutText(kLocalMachine, cv + "Uninstall\\Gone" + id, "InstallLocation",
                       volume + "\\Apps\\");
            os.PutText(kLocalMachine, "Software\\GoneVendor" + id, "InstallDir",
                       volume + "\\Apps\\Gone" + id);
            os.AddFile("C:\\Menu\\gone" + id + ".lnk",
                       test::lnk::WithLocalBasePath(test::lnk::FormatExample(), program));
        }
        os.PutText(kCurrentUser, cv + "Explorer\\Shell Folders", "Start Menu", "C:\\Menu");
    }

    platform::MemoryPlatform os;
    platform::ScopedOs installed{os};
};

TEST_F(UnreachableVolumes, OnlyEntriesOnAVolumeThatAnswersAreReported) {
    test::CountingPlatform counting(os);
    platform::ScopedOs counted(counting);
    std::map<std::int32_t, std::vector<std::string>> found;
    for (const TItem& item : test::Scan({3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16})) {
        found[item.Category].push_back(item.Data);
    }
    const std::map<std::int32_t, std::vector<std::string>> expected = {
        {3, {"D:\\Apps\\gone1.dll"}},
        {5, {"D:\\Apps\\server1.dll"}},
        {6, {"D:\\Apps\\gone1.exe", "D:\\Apps\\Gone1"}},
        {7, {"D:\\Fonts\\gone1.ttf"}},
        // a help folder on the share keeps its leading pair: not judged while it does not answer
        {8, {"D:\\Help\\gone1.hlp", "D:\\Help\\gone1.chm"}},
        {9, {"D:\\Gone1\\", "Gone1"}},
        {10, {"D:\\Apps\\gone1.exe"}},
        {11, {"D:\\Apps\\gone1.tlb", "{1}"}}, // the library's key, empty after its version
        {12, {"D:\\Apps\\gone1.exe"}},
        {13, {"gone1.lnk"}},
        {16, {"D:\\Media\\gone1.wav"}},
    };
    EXPECT_EQ(expected, found);
    // Each root is asked once in the run (C: holds the shortcuts and their folder), however many
    // entries and scanners name it.
    EXPECT_EQ(4u, counting.counts.volumeReachable);
}

TEST_F(UnreachableVolumes, AVolumeThatAnswersAgainIsJudgedInTheNextRun) {
    EXPECT_TRUE(test::Scan({10}).size() == 1);
    os.SetVolumeReachable("E:", true);
    os.SetVolumeReachable("\\\\nosrv\\share", true); // the share answers, without the program
    const std::vector<TItem> found = test::Scan({10});
    ASSERT_EQ(2u, found.size());
    EXPECT_EQ("D:\\Apps\\gone1.exe", found[0].Data);
    EXPECT_EQ("\\\\nosrv\\share\\Apps\\gone4.exe", found[1].Data);
    EXPECT_TRUE(FileFound("E:\\Apps\\gone2.exe"));
}

// A share that does not answer makes every question wait for a timeout: the share is asked
// first, and its files are never asked for at all.
TEST(VolumeReachable, ADeadShareIsAskedOnceAndItsFilesNever) {
    platform::MemoryPlatform os;
    os.PutText(kCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Gone",
               "\\\\nosrv\\share\\Apps\\gone.exe");
    os.PutText(kCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Other",
               "\\\\nosrv\\share\\Apps\\other.exe /s");
    test::CountingPlatform counting(os);
    platform::ScopedOs counted(counting);
    EXPECT_TRUE(test::Scan({10}).empty());
    EXPECT_EQ(0u, counting.counts.fileAttributes);
    EXPECT_EQ(0u, counting.counts.findFirst);
    EXPECT_EQ(1u, counting.counts.volumeReachable);
}

TEST(VolumeReachable, PathsWithoutADrivePartLieOnTheCurrentDrive) {
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    os.AddFolder("\\\\srv\\share\\");
    const struct {
        const char* path;
        bool reachable;
    } cases[] = {
        {"C:\\x.exe", true},
        {"c:x.exe", true},
        {"\\x.exe", true},
        {"x.exe", true},
        {"", true},
        {"Q:\\x.exe", false},
        {"\\\\srv\\share\\x.exe", true},
        {"\\\\SRV\\SHARE", true},
        {"\\\\srv\\other\\x.exe", false},
        {"\\\\srv", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.reachable, VolumeReachable(c.path)) << c.path;
    }
}

} // namespace
} // namespace mendrake
