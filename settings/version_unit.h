// Reader of a module's version resource, parsing the resource bytes itself.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mendrake {

struct TVersionStringValue {
    std::string ValueText;
    std::int32_t LanguageId = 0;
    std::int32_t CodePage = 0;
};

class TVersionInfo {
  public:
    // Finds and locks the version resource of `module` through the platform; throws Error
    // "Unable to load version info resource" when there is none.
    explicit TVersionInfo(platform::Hmodule module);
    // Parses the given resource bytes (tests and the fuzzer); empty bytes throw as above.
    explicit TVersionInfo(std::string_view resourceBytes);
    // The value of a string named `name` (any letter case); throws Error "Key not found".
    std::string StringValue(const std::string& name);

    const std::vector<std::uint32_t>& Translations() const { return Translations_; }

  private:
    bool Parse();
    platform::Hmodule Module_ = 0;
    std::string_view ResourceData_;
    std::vector<std::pair<std::string, TVersionStringValue>> StringValues_;
    std::vector<std::uint32_t> Translations_;
    const char* FixedInfo_ = nullptr;
};

} // namespace mendrake
