// HKEY_USERS as the rest of the program names it while other users' hives are loaded under
// names of their own.
//
// A hive that the program loads (RegLoadKey) gets a temporary name below HKEY_USERS, so that it
// is never taken for a user who is logged on. Everything else names the user's keys as Windows
// does when the user is logged on, HKEY_USERS\<SID> and HKEY_USERS\<SID>_Classes: the issues,
// the log, the backup and a later restore. This platform maps the one onto the other for every
// path given below HKEY_USERS, and passes every other call on unchanged.
#pragma once

#include "platform/forwarding_platform.h"

#include <string>
#include <utility>
#include <vector>

namespace mendrake::platform {

class AliasedHivesPlatform final : public ForwardingPlatform {
  public:
    explicit AliasedHivesPlatform(Platform& inner) : ForwardingPlatform(inner) {}

    // From now on `shown` (a key name directly below HKEY_USERS) reaches the key `loaded`.
    void Alias(std::string shown, std::string loaded);

    long OpenKey(Hkey parent, std::string_view subkey, std::uint32_t access, Hkey& result) override;
    long CreateKey(Hkey parent, std::string_view subkey, Hkey& result) override;
    long DeleteKey(Hkey parent, std::string_view subkey) override;

  private:
    // `subkey` of `parent` with an aliased first name replaced by the loaded one.
    std::string Loaded(Hkey parent, std::string_view subkey) const;
    std::vector<std::pair<std::string, std::string>> aliases_; // shown, loaded
};

} // namespace mendrake::platform
