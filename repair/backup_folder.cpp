#include "repair/backup_folder.h"

#include "engine/ansi_text.h"
#include "engine/registry_access.h"
#include "platform/platform.h"

#include <string_view>

namespace mendrake {
namespace {

// Whether a file can be made in `folder`: only trying tells, as the folder's security (and
// on Windows the protection of Program Files) decides, not its attributes.
bool CanWriteIn(const std::string& folder) {
    platform::Platform& os = platform::Os();
    const std::string probe = folder + "mendrake-write-test.tmp";
    if (!os.WriteWholeFile(probe, {}).ok()) {
        return false;
    }
    os.DeleteFileAt(probe);
    return true;
}

bool IsText(ValueKind kind) {
    return kind == ValueKind::Text || kind == ValueKind::ExpandText;
}

std::string UserBackupFolder() {
    const std::string base(WithoutTrailingSeparators(platform::Os().LocalAppDataFolder()));
    return base.empty() ? std::string() : base + "\\" + kUserBackupSubfolder + "\\";
}

} // namespace

bool IsInstalledFolder(const std::string& folder) {
    const std::string wanted(WithoutTrailingSeparators(folder));
    for (const char* key : {kUninstallEntryKey, kPackageCopyKey}) {
        // A standard user may read the key but not write it: ask for reading only.
        RegistryAccess reg;
        reg.SetRoot(static_cast<std::uint32_t>(platform::kLocalMachine));
        reg.SetAccess(platform::kKeyRead);
        if (!reg.Open(key) || !IsText(reg.ValueKindOf("InstallLocation"))) {
            continue;
        }
        const std::string installed(WithoutTrailingSeparators(reg.ReadText("InstallLocation")));
        if (!installed.empty() && platform::Os().EqualTextIgnoreCase(installed, wanted)) {
            return true;
        }
    }
    return false;
}

std::string BackupFolder() {
    const std::string program = platform::Os().ProgramFolder();
    const std::string user = UserBackupFolder();
    // Without a user folder to go to, the program's folder is the only choice left, and a
    // write there reports why it fails.
    if (user.empty() || (!IsInstalledFolder(program) && CanWriteIn(program))) {
        return program;
    }
    return user;
}

std::string BackupFolderForWriting() {
    const std::string folder = BackupFolder();
    if (folder == UserBackupFolder()) {
        platform::Platform& os = platform::Os();
        // One level at a time, each existing level accepted.
        for (std::size_t cut = FindCharacter(folder, "\\", 3); cut != std::string::npos;
             cut = FindCharacter(folder, "\\", cut + 1)) {
            os.CreateFolder(std::string_view(folder).substr(0, cut));
        }
    }
    return folder;
}

} // namespace mendrake
