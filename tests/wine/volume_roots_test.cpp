// Volume roots on Wine's real file system: a drive letter is a link in the prefix's dosdevices
// folder and \\server\share a folder below its "unc" folder, so both the volumes that answer
// and those that don't can be made for real.
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "platform/platform.h"
#include "tests/support/fixtures.h"

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

// Drive Q: mapped to a folder of drive C: for the life of the object (DefineDosDeviceA, which
// Wine keeps as a link in dosdevices).
class MappedDrive {
  public:
    MappedDrive(std::string letter, const std::string& folder) : letter_(std::move(letter)) {
        mapped_ = DefineDosDeviceA(0, letter_.c_str(), folder.c_str()) != 0;
        EXPECT_TRUE(mapped_) << "DefineDosDeviceA " << letter_ << ": error " << GetLastError();
    }
    ~MappedDrive() {
        if (mapped_) {
            DefineDosDeviceA(DDD_REMOVE_DEFINITION, letter_.c_str(), nullptr);
        }
    }
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;

  private:
    std::string letter_;
    bool mapped_ = false;
};

TEST(VolumeRoots, MappedLettersAndSharesAnswerOthersDoNot) {
    const std::string dosdevices = DosDevices();
    ASSERT_FALSE(dosdevices.empty()) << "WINEPREFIX is not set";
    test::PlantedFiles files;
    files.AddFolder("C:\\MendrakeTest\\volume-q\\");
    files.AddFolder(dosdevices + "unc\\mendrakesrv\\share\\");
    platform::Platform& os = platform::Os();
    {
        MappedDrive q("Q:", "C:\\MendrakeTest\\volume-q");
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
    MappedDrive q("Q:", "C:\\MendrakeTest\\volume-q");
    EXPECT_EQ((std::vector<std::string>{"Mendrake Q Gone", "Mendrake Share Gone"}), reported());
}

} // namespace
} // namespace mendrake
