// Writing a whole text file with every step checked.
#pragma once

#include <string>
#include <string_view>

namespace mendrake {

// Creates (replacing) `path` and writes `text`, flushed and closed. Throws Error with
// "Cannot create file "%s". %s" when the file cannot be created, and with a message naming
// the file and the system's reason when writing, flushing or closing fails.
void WriteTextFile(const std::string& path, std::string_view text);
// As WriteTextFile, but an existing file is never replaced: false when a file has the name.
bool WriteNewTextFile(const std::string& path, std::string_view text);

} // namespace mendrake
