// An integer setting in a key below HKEY_CURRENT_USER.
#pragma once

#include <cstdint>
#include <string>

namespace mendrake {

// "\SOFTWARE\Kestrava\Mendrake" below HKEY_CURRENT_USER.
extern const char* const SettingsKey;

std::int32_t ReadIntSetting(const std::string& key, const std::string& name, std::int32_t def);
void WriteIntSetting(const std::string& key, const std::string& name, std::int32_t value);
void DeleteSetting(const std::string& key, const std::string& name);

} // namespace mendrake
