#include "settings/reg_unit.h"

#include "settings/user_key.h"

#include "engine/error.h"
#include "platform/platform.h"

#include <charconv>

namespace mendrake {

const char* const SettingsKey = "\\SOFTWARE\\Kestrava\\Mendrake";

namespace {

// Decimal text with optional leading blanks and sign, nothing after the digits, inside the
// 32-bit range; anything else does not convert.
bool ToInt32(std::string_view text, std::int32_t& value) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return false;
        }
    }
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

} // namespace

std::int32_t ReadIntSetting(const std::string& key, const std::string& name, std::int32_t def) {
    UserKey opened;
    if (!opened.Open(key)) {
        return def;
    }
    platform::RegValue value;
    const long status = platform::Os().QueryValue(opened.Handle(), name, value);
    if (status == platform::kFileNotFound) {
        return def;
    }
    if (status != platform::kSuccess) {
        throw Error(FormatMessage1("Failed to get data for '%s'", name));
    }
    if (value.type != platform::kRegSz && value.type != platform::kRegExpandSz) {
        throw Error(FormatMessage1("Invalid data type for '%s'", name));
    }
    // The stored text ends at its terminating zero, when it has one.
    std::string_view text = value.data;
    text = text.substr(0, text.find('\0'));
    std::int32_t number = 0;
    return ToInt32(text, number) ? number : def;
}

// Writes through the handle that creating the key gave: it carries full access, so a second
// open of the same key could only fail where the write would fail too, and then the write
// reports it instead of being dropped in silence.
void WriteIntSetting(const std::string& key, const std::string& name, std::int32_t value) {
    UserKey created;
    if (!created.Create(key)) {
        throw Error(FormatMessage1("Failed to create key %s", key));
    }
    std::string text = std::to_string(value);
    text += '\0';
    if (platform::Os().SetValue(created.Handle(), name, platform::kRegSz, text) !=
        platform::kSuccess) {
        throw Error(FormatMessage1("Failed to set data for '%s'", name));
    }
}

void DeleteSetting(const std::string& key, const std::string& name) {
    UserKey opened;
    if (!opened.Open(key)) {
        return;
    }
    // A missing value is not an error, and the key itself stays.
    platform::Os().DeleteValue(opened.Handle(), name);
}

} // namespace mendrake
