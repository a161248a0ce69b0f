#include "engine/user_profiles.h"

#include "engine/common_unit.h"
#include "engine/registry_access.h"
#include "engine/scanner_paths.h"

namespace mendrake {

namespace {

const char* const kProfileListKey =
    "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// The accounts of Windows' own services: SYSTEM, LOCAL SERVICE and NETWORK SERVICE.
bool IsServiceAccount(const std::string& sid) {
    return sid == "S-1-5-18" || sid == "S-1-5-19" || sid == "S-1-5-20";
}

bool EndsWithBak(const std::string& name) {
    return name.size() > 4 && UpperCase(name.substr(name.size() - 4)) == ".BAK";
}

// Where Windows keeps a user's classes hive inside the profile.
const char* const kClassesHiveFile = "\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";

// A name below HKEY_USERS that no logged-on user's hive has, for a hive this program loads.
std::string TemporaryName(const std::string& sid) {
    return "Mendrake-" + sid;
}

bool UsersKeyExists(const std::string& name) {
    RegistryAccess reg;
    reg.SetRoot(kHku);
    reg.SetAccess(platform::kKeyRead);
    return reg.Open("\\" + name);
}

} // namespace

std::vector<Profile> ListProfiles() {
    std::vector<Profile> profiles;
    RegistryAccess reg;
    reg.SetRoot(kHklm);
    reg.SetAccess(platform::kKeyRead);
    if (!reg.Open(kProfileListKey)) {
        return profiles;
    }
    platform::Platform& os = platform::Os();
    for (const std::string& sid : reg.SubkeyNames()) {
        if (IsServiceAccount(sid) || EndsWithBak(sid) ||
            !reg.Open(std::string(kProfileListKey) + "\\" + sid)) {
            continue;
        }
        const std::string written = TextIfString(reg, "ProfileImagePath");
        std::string folder = written.empty() ? std::string() : os.ExpandEnvironment(written);
        while (!folder.empty() && folder.back() == '\\') {
            folder.pop_back();
        }
        if (folder.empty() || !FolderFound(folder)) {
            continue; // the profile's folder is gone: there is nobody to clean up for
        }
        std::string account = os.AccountName(sid);
        profiles.push_back({sid, folder, account.empty() ? NamePart(folder) : std::move(account)});
    }
    return profiles;
}

UserHives::UserHives(const std::vector<Profile>& profiles)
    : system_(platform::Os()), aliases_(system_) {
    for (const Profile& profile : profiles) {
        const std::string classesName = profile.sid + "_Classes";
        std::string error;
        if (!UsersKeyExists(profile.sid)) {
            error = Load(profile.sid, TemporaryName(profile.sid), profile.folder + "\\NTUSER.DAT");
            const std::string classesFile = profile.folder + kClassesHiveFile;
            if (error.empty() && FileFound(classesFile)) {
                error = Load(classesName, TemporaryName(classesName), classesFile);
            }
        }
        if (!error.empty()) {
            failures_.push_back({profile, error});
            continue;
        }
        // A profile without a classes hive of its own (one that never logged on since its
        // classes moved out of NTUSER.DAT, or a Wine prefix) keeps them in Software\Classes.
        const std::string classes = UsersKeyExists(classesName)
                                        ? "\\" + classesName
                                        : "\\" + profile.sid + "\\Software\\Classes";
        users_.push_back(OtherUser(profile.sid, classes, profile.folder));
        readable_.push_back(profile);
    }
}

LoadedHive::~LoadedHive() {
    if (!name_.empty()) {
        system_->UnloadHive(name_);
    }
}

std::string UserHives::Load(const std::string& shown, const std::string& loaded,
                            const std::string& file) {
    const long status = system_.LoadHive(loaded, file);
    if (status != platform::kSuccess) {
        return "cannot load " + file + ": " + system_.ErrorText(static_cast<std::uint32_t>(status));
    }
    loaded_.emplace_back(system_, loaded);
    aliases_.Alias(shown, loaded);
    if (!installed_) {
        installed_.emplace(aliases_);
    }
    return {};
}

} // namespace mendrake
