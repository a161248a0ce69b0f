// The registry exports derived from real Windows hives (../shared/data/derived-reg-exports).
#pragma once

#include <string>

namespace mendrake::test {

// The derived exports hold names and string data as the hive has them, without the escapes
// of the registry editor's format ("C:\dir\" written raw). Written here as the editor would,
// so that the parser reads back exactly those bytes.
std::string EscapeRawStrings(const std::string& text);

} // namespace mendrake::test
