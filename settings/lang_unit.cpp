#include "settings/lang_unit.h"

#include "settings/reg_unit.h"

#include "platform/platform.h"

namespace mendrake {

namespace {

// String identifiers are 16-bit: the resource loader keeps only the low 16 bits of a larger
// one, so identifier 65536 would answer with text 0 of English. An identifier outside that
// range is missing instead.
std::string StringWithId(std::int64_t id) {
    if (id < 0 || id > 0xFFFF) {
        return {};
    }
    return platform::Os().StringResource(static_cast<std::uint32_t>(id));
}

} // namespace

// English, number 0, is the absence of the value: numbers below 1 are never stored.
void StoreLanguage(const std::string& key, std::int32_t language) {
    if (language < 1) {
        DeleteSetting(key, "language");
    } else {
        WriteIntSetting(key, "language", language);
    }
}

std::string LangText(std::int32_t language, std::int32_t offset) {
    std::string text = StringWithId(std::int64_t{language} + offset);
    return text.empty() ? StringWithId(offset) : text;
}

} // namespace mendrake
