// The people who use the machine: the profiles Windows lists, and their hives made readable for
// one run.
#pragma once

#include "engine/user_scope.h"
#include "platform/aliased_hives.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mendrake {

// A user account's profile: its SID, profile folder and account name.
struct Profile {
    std::string sid;
    std::string folder;  // ProfileImagePath, expanded, no trailing backslash
    std::string account; // "DOMAIN\name", or the folder's name where the system does not know it
};

// Every real user's profile of HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\ProfileList,
// in its order: not the service accounts (S-1-5-18, -19, -20), not a ".bak" copy Windows keeps
// of a damaged profile's entry, not a profile whose folder is gone.
std::vector<Profile> ListProfiles();

// A profile whose hive could not be made readable, and why: nothing of it is judged.
struct HiveFailure {
    Profile profile;
    std::string error;
};

// One hive this program loaded below HKEY_USERS under `name`, unloaded when the object goes: a
// hive left loaded holds the user's file open, and the user could not log on until the machine
// restarts.
class LoadedHive {
  public:
    LoadedHive(platform::Platform& system, std::string name)
        : system_(&system), name_(std::move(name)) {}
    ~LoadedHive();
    LoadedHive(LoadedHive&& other) noexcept
        : system_(other.system_), name_(std::exchange(other.name_, std::string())) {}
    LoadedHive& operator=(LoadedHive&&) = delete;
    LoadedHive(const LoadedHive&) = delete;
    LoadedHive& operator=(const LoadedHive&) = delete;

  private:
    platform::Platform* system_;
    std::string name_; // empty once moved from
};

// The hives of `profiles`, readable for as long as the object lives. A user who is logged on
// is read where Windows keeps the hive (HKEY_USERS\<SID> and <SID>_Classes); the NTUSER.DAT
// and UsrClass.dat of any other user are loaded under temporary names below HKEY_USERS and
// unloaded again when the object goes, on every way out. While it lives (once it has loaded a
// hive), the process's platform reaches those hives by the names Windows gives a logged-on
// user's (AliasedHivesPlatform), so that what is found there, its backup and its fix all name
// HKEY_USERS\<SID>.
class UserHives {
  public:
    explicit UserHives(const std::vector<Profile>& profiles);
    UserHives(const UserHives&) = delete;
    ~UserHives() = default;
    UserHives& operator=(const UserHives&) = delete;

    // The scopes of the users whose hives are readable, with their profiles, in profile order.
    const std::vector<UserScope>& Users() const { return users_; }
    const std::vector<Profile>& Readable() const { return readable_; }
    const std::vector<HiveFailure>& Failures() const { return failures_; }

  private:
    // Loads `file` as `loaded` and lets `shown` reach it; the error's text, or empty.
    std::string Load(const std::string& shown, const std::string& loaded, const std::string& file);

    platform::Platform& system_;
    platform::AliasedHivesPlatform aliases_;
    // Installed once a hive is loaded: a run that loads none leaves the process's platform alone.
    std::optional<platform::ScopedOs> installed_;
    std::vector<LoadedHive> loaded_; // unloaded before the platform is given back
    std::vector<UserScope> users_;
    std::vector<Profile> readable_;
    std::vector<HiveFailure> failures_;
};

} // namespace mendrake
