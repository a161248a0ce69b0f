// The language number setting and the language texts of the string table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mendrake {

// A language's texts are a block of the string table: language L owns identifiers L to
// L + kLanguageBlockSize - 1, and only multiples of the block size name a language.
inline constexpr std::int32_t kLanguageBlockSize = 1000;
// Stored when the user chooses English while the UI language has a block of its own: a missing
// value means "the UI language", and this block holds no texts, so every text is English.
inline constexpr std::int32_t kEnglishOverUiLanguage = 10000;

void StoreLanguage(const std::string& key, std::int32_t language);
// Text `offset` of language `language` (string identifier language + offset), falling back
// to the English text `offset` when that one is empty or missing, or when `language` does not
// start a block.
std::string LangText(std::int32_t language, std::int32_t offset);

// `text` with %1 ... %9 replaced by the values in order; a % before anything else stays.
std::string FillIn(const std::string& text, const std::vector<std::string>& values);

// The block shown to a user whose UI language (a Windows LANGID) is `uiLanguage`: the shipped
// block of that language, else English (0).
std::int32_t LanguageOfUiLanguage(std::uint16_t uiLanguage);
// The languages the string table holds (those with a name), in the order of their numbers.
std::vector<std::int32_t> ShippedLanguages();

// At activation: the stored "language" rules, and is written back as StoreLanguage does; a
// missing value (or one that StoreLanguage deletes) gives `uiDefault`, and nothing is stored.
std::int32_t ActivateLanguage(const std::string& key, std::int32_t uiDefault);
// The user chose `language`: stores it, so that the next start shows it too. English is
// stored as the absence of the value where the UI language shows English anyway.
void ChooseLanguage(const std::string& key, std::int32_t language, std::int32_t uiDefault);

} // namespace mendrake
