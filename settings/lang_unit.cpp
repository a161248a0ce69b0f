#include "settings/lang_unit.h"

#include "settings/reg_unit.h"

#include "platform/platform.h"

#include <limits>

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

// Returned by ReadIntSetting for a missing value or text that is no number.
constexpr std::int32_t kNoNumber = std::numeric_limits<std::int32_t>::min();

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
    // A number inside a block (English's own offsets 1 to 999 included) would shift every
    // text by that much: such a number shows English.
    std::string text =
        language % kLanguageBlockSize == 0 ? StringWithId(std::int64_t{language} + offset) : "";
    return text.empty() ? StringWithId(offset) : text;
}

std::string FillIn(const std::string& text, const std::vector<std::string>& values) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '%' && next >= '1' && next <= '9') {
            const auto index = static_cast<std::size_t>(next - '1');
            if (index < values.size()) {
                result += values[index];
            }
            ++i;
        } else {
            result.push_back(text[i]);
        }
    }
    return result;
}

std::int32_t LanguageOfUiLanguage(std::uint16_t uiLanguage) {
    // The primary language is the low 10 bits of a LANGID, the sublanguage the upper 6.
    const int primary = uiLanguage & 0x3FF;
    const int sublanguage = uiLanguage >> 10;
    switch (primary) {
    case 0x07: // German
        return 1000;
    case 0x0C: // French
        return 2000;
    case 0x0A: // Spanish
        return 3000;
    case 0x10: // Italian
        return 4000;
    case 0x16: // Portuguese, of Brazil and of Portugal alike
        return 5000;
    case 0x15: // Polish
        return 6000;
    case 0x19: // Russian
        return 7000;
    case 0x11: // Japanese
        return 8000;
    case 0x04: // Chinese: the simplified script of China and Singapore; Traditional readers
               // (Taiwan, Hong Kong, Macao) keep English
        return sublanguage == 0x02 || sublanguage == 0x04 ? 9000 : 0;
    default:
        return 0;
    }
}

std::vector<std::int32_t> ShippedLanguages() {
    std::vector<std::int32_t> languages;
    for (std::int32_t language = 0; language <= 0xFFFF; language += kLanguageBlockSize) {
        if (!StringWithId(language).empty()) {
            languages.push_back(language);
        }
    }
    return languages;
}

std::int32_t ActivateLanguage(const std::string& key, std::int32_t uiDefault) {
    const std::int32_t stored = ReadIntSetting(key, "language", kNoNumber);
    // Text that is no number is deleted as well, the same as a number below 1.
    StoreLanguage(key, stored);
    return stored >= 1 ? stored : uiDefault;
}

void ChooseLanguage(const std::string& key, std::int32_t language, std::int32_t uiDefault) {
    if (language < 1 && uiDefault >= 1) {
        language = kEnglishOverUiLanguage;
    }
    StoreLanguage(key, language);
}

} // namespace mendrake
