// Whose per-user areas a run reads: the running account's (HKEY_CURRENT_USER), or the hive of
// another profile below HKEY_USERS, named as Windows names it while that user is logged on.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace mendrake {

struct UserScope {
    // HKEY_CURRENT_USER, or HKEY_USERS for another profile.
    std::uint32_t root = static_cast<std::uint32_t>(platform::kCurrentUser);
    std::string hive;                            // the user's hive below `root`: "" or "\<SID>"
    std::string classes = "\\Software\\Classes"; // the user's classes below `root`
    std::string sid;                             // empty for the running account
    // The profile folder, whose shell folders are read from the hive's "User Shell Folders";
    // empty for the running account, whose "Shell Folders" the shell keeps up to date.
    std::string profileFolder;

    // `below` (beginning with a backslash) in the user's hive, below `root`.
    std::string Key(std::string_view below) const { return hive + std::string(below); }
    // The same for people: "HKCU\Software\..." or "HKU\<SID>\Software\...".
    std::string Text(std::string_view below) const;
    bool IsRunningAccount() const { return sid.empty(); }
};

// A user's scope below HKEY_USERS: the hive "\<SID>" and the classes at `classes`
// ("\<SID>_Classes", or "\<SID>\Software\Classes" where the user has no classes hive of its own).
UserScope OtherUser(std::string sid, std::string classes, std::string profileFolder);

} // namespace mendrake
