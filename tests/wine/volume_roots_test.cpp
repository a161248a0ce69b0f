// Volume roots on Wine's real file system: a drive letter is a link in the prefix's dosdevices
// folder and \\server\share a folder below its "unc" folder, so both the volumes that answer
// and those that don't can be made for real.
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "platform/platform.h"
#include "tests/support/fixtures.h"
#include "tests/wine/host_program.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

namespace mendrake {
namespace {

// The prefix's dosdevices folder as Windows programs see it (through drive Z:).
std::string DosDevices() {
    const char* prefix = std::getenv("WINEPREFIX");
    return prefix == nullptr ? std::string() : test::HostPath(std::string(prefix) + "/dosdevices/");
}

// A drive letter mapped to a folder of drive C: for the life of the object: a link in the
// prefix's dosdevices folder, made by the host (Wine's DefineDosDeviceA makes a link that only
// the object manager sees, and Wine's file functions take their drives from dosdevices).
class MappedDrive {
  public:
    MappedDrive(const std::string& letter, const std::string& driveCFolder)
        : name_(letter + ":"), root_(letter + ":\\") {
        const std::string target = "../drive_c/" + driveCFolder;
        EXPECT_TRUE(
            test::StartHostProgram("Z:\\bin\\ln", "ln -s " + target + " " + name_, DosDevices()))
            << "error " << GetLastError();
        EXPECT_TRUE(test::AwaitPath(root_, true)) << "ln -s " << target << " " << name_;
    }
    ~MappedDrive() {
        if (test::StartHostProgram("Z:\\bin\\rm", "rm -f " + name_, DosDevices())) {
            test::AwaitPath(root_, false);
        }
    }
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;

  private:
    std::string name_, root_;
};

TEST(VolumeRoots, MappedLettersAndSharesAnswerOthersDoNot) {
    const std::string dosdevices = DosDevices();
    ASSERT_FALSE(dosdevices.empty()) << "WINEPREFIX is not set";
    test::PlantedFiles files;
    files.AddFolder("C:\\MendrakeTest\\volume-q\\");
    files.AddFolder(dosdevices + "unc\\mendrakesrv\\share\\");
    platform::Platform& os = platform::Os();
    {
        MappedDrive q("q", "MendrakeTest/volume-q");
        EXPECT_TRUE(os.VolumeReachable("Q:\\"));
    }
    EXPECT_FALSE(os.VolumeReachable("Q:\\"));
    EXPECT_TRUE(os.VolumeReachable("C:\\"));
    EXPECT_TRUE(os.VolumeReachable("\\\\mendrakesrv\\share\\"));
    EXPECT_TRUE(os.VolumeReachable("\\\\MENDRAKESRV\\SHARE\\"));
    EXPECT_FALSE(os.VolumeReachable("\\\\mendrakesrv\\other\\"));
    EXPECT_FALSE(os.VolumeReachable("\\\\mendrake-nosrv\\share\\"));
}

// A Run entry is judged on a volume that answers and passed over on one that does not.
TEST(VolumeRoots, RunEntriesOnVolumesThatDoNotAnswerAreNotReported) {
    const std::string dosdevices = DosDevices();
    ASSERT_FALSE(dosdevices.empty()) << "WINEPREFIX is not set";
    test::PlantedFiles files;
    files.AddFolder("C:\\MendrakeTest\\volume-q\\");
    files.AddFolder(dosdevices + "unc\\mendrakesrv\\share\\");
    files.AddFile(dosdevices + "unc\\mendrakesrv\\share\\present.exe");
    test::PlantedRegistry registry(
        "REGEDIT4\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
        "\"Mendrake Q Gone\"=\"Q:\\\\gone.exe\"\r\n"
        "\"Mendrake Share Gone\"=\"\\\\\\\\mendrakesrv\\\\share\\\\gone.exe\"\r\n"
        "\"Mendrake Share Present\"=\"\\\\\\\\mendrakesrv\\\\share\\\\present.exe\"\r\n"
        "\"Mendrake No Server\"=\"\\\\\\\\mendrake-nosrv\\\\share\\\\gone.exe\"\r\n");
    auto reported = [] {
        std::vector<std::string> values;
        for (const TItem& item : test::Scan({10})) {
            if (item.Value.rfind("Mendrake ", 0) == 0) {
                values.push_back(item.Value);
            }
        }
        return values;
    };
    EXPECT_EQ((std::vector<std::string>{"Mendrake Share Gone"}), reported());
    MappedDrive q("q", "MendrakeTest/volume-q");
    EXPECT_EQ((std::vector<std::string>{"Mendrake Q Gone", "Mendrake Share Gone"}), reported());
}

} // namespace
} // namespace mendrake
