#include "tests/support/kept_settings.h"

#include <stdexcept>

namespace mendrake::test {

namespace {

using platform::Os;

constexpr const char* kSettingNames[] = {"language", "exclude"};

// Removes the program's values, then the settings key and its parent where they are empty.
void RemoveSettingsAndEmptyKeys() {
    platform::Hkey key = 0;
    if (Os().OpenKey(platform::kCurrentUser, kSettingsPath, platform::kKeyAllAccess, key) ==
        platform::kSuccess) {
        for (const char* name : kSettingNames) {
            Os().DeleteValue(key, name);
        }
        Os().CloseKey(key);
    }
    for (const char* path : {kSettingsPath, kSettingsParentPath}) {
        platform::Hkey k = 0;
        if (Os().OpenKey(platform::kCurrentUser, path, platform::kKeyAllAccess, k) !=
            platform::kSuccess) {
            continue;
        }
        std::uint32_t subkeys = 0, values = 0;
        const long status = Os().QueryInfoKey(k, subkeys, values);
        Os().CloseKey(k);
        if (status == platform::kSuccess && subkeys == 0 && values == 0) {
            Os().DeleteKey(platform::kCurrentUser, path);
        }
    }
}

} // namespace

bool UserKeyExists(const char* path) {
    platform::Hkey key = 0;
    if (Os().OpenKey(platform::kCurrentUser, path, platform::kKeyAllAccess, key) !=
        platform::kSuccess) {
        return false;
    }
    Os().CloseKey(key);
    return true;
}

std::optional<platform::RegValue> StoredSetting(const char* name) {
    platform::Hkey key = 0;
    if (Os().OpenKey(platform::kCurrentUser, kSettingsPath, platform::kKeyAllAccess, key) !=
        platform::kSuccess) {
        return std::nullopt;
    }
    platform::RegValue value;
    const long status = Os().QueryValue(key, name, value);
    Os().CloseKey(key);
    if (status != platform::kSuccess) {
        return std::nullopt;
    }
    return value;
}

void PutSetting(const char* name, std::uint32_t type, const std::string& data) {
    platform::Hkey key = 0;
    if (Os().CreateKey(platform::kCurrentUser, kSettingsPath, key) != platform::kSuccess) {
        throw std::runtime_error("cannot create the settings key");
    }
    const long status = Os().SetValue(key, name, type, data);
    Os().CloseKey(key);
    if (status != platform::kSuccess) {
        throw std::runtime_error("cannot store the setting " + std::string(name));
    }
}

KeptSettings::KeptSettings()
    : hadParent_(UserKeyExists(kSettingsParentPath)), hadKey_(UserKeyExists(kSettingsPath)),
      language_(StoredSetting("language")), exclude_(StoredSetting("exclude")) {
    RemoveSettingsAndEmptyKeys();
}

KeptSettings::~KeptSettings() {
    RemoveSettingsAndEmptyKeys();
    if (!hadKey_ && !hadParent_) {
        return;
    }
    platform::Hkey key = 0;
    if (Os().CreateKey(platform::kCurrentUser, hadKey_ ? kSettingsPath : kSettingsParentPath,
                       key) != platform::kSuccess) {
        return;
    }
    const auto putBack = [&](const char* name, const std::optional<platform::RegValue>& value) {
        if (value) {
            Os().SetValue(key, name, value->type, value->data);
        }
    };
    putBack("language", language_);
    putBack("exclude", exclude_);
    Os().CloseKey(key);
}

} // namespace mendrake::test
