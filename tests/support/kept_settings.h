// The program's settings key below HKEY_CURRENT_USER, for tests that change it: on the memory
// platform natively, on the prefix's real registry under Wine.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <optional>
#include <string>

namespace mendrake::test {

// The settings key's path below HKEY_CURRENT_USER, and its parent.
inline constexpr const char* kSettingsPath = "SOFTWARE\\Kestrava\\Mendrake";
inline constexpr const char* kSettingsParentPath = "SOFTWARE\\Kestrava";

bool UserKeyExists(const char* path);
// A value of the settings key as stored; none when the key or the value is missing.
std::optional<platform::RegValue> StoredSetting(const char* name);
// Stores a value in the settings key, creating the key when needed.
void PutSetting(const char* name, std::uint32_t type, const std::string& data);

// While it lives, the program's values ("language", "exclude") are free for a test to change:
// making it removes them, and the key and its parent where that leaves them empty; destroying
// it removes what the test left and puts back the keys and values there were before.
class KeptSettings {
  public:
    KeptSettings();
    ~KeptSettings();
    KeptSettings(const KeptSettings&) = delete;
    KeptSettings& operator=(const KeptSettings&) = delete;

  private:
    bool hadParent_ = false, hadKey_ = false;
    std::optional<platform::RegValue> language_, exclude_;
};

} // namespace mendrake::test
