// Every key and value below a registry key, taken before and after a change and compared.
#pragma once

#include "platform/platform.h"

#include <map>
#include <string>

namespace mendrake::test {

// Key path (below its root, no leading backslash) -> value name -> type and bytes.
using Snapshot = std::map<std::string, std::map<std::string, platform::RegValue>>;

// The subtree of `path` below `root`, opened and read one name at a time with read access, so
// that keys too deep to name from the root in one ANSI path are seen as well. Empty when the
// key is missing. Adds to `snapshot` when one is given.
Snapshot TakeSnapshot(platform::Hkey root, const std::string& path);
void AddToSnapshot(platform::Hkey root, const std::string& path, Snapshot& snapshot);

// The differences between two snapshots, one line each (at most 20), empty when they agree.
// With `cutStrings`, plain strings that came back cut at their first NUL are counted there
// instead of reported (the quoted string form cannot carry what follows a NUL).
std::string Differences(const Snapshot& before, const Snapshot& after,
                        std::size_t* cutStrings = nullptr);

// Bytes as "0A FF ...", for messages.
std::string Hex(const std::string& bytes);

} // namespace mendrake::test
