// The language number setting and the language texts of the string table.
#pragma once

#include <cstdint>
#include <string>

namespace mendrake {

void StoreLanguage(const std::string& key, std::int32_t language);
// Text `offset` of language `language` (string identifier language + offset), falling back
// to the English text `offset` when that one is empty or missing.
std::string LangText(std::int32_t language, std::int32_t offset);

} // namespace mendrake
