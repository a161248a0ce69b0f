// A path in the one form Windows resolves it to, for rules that look at its folders.
#pragma once

#include <string>
#include <string_view>

namespace mendrake {

// The path as the file system resolves it, for a path that starts at a drive ("C:\") or a
// share ("\\server\share\"): forward slashes become backslashes, a "\\?\" or "\\?\UNC\"
// prefix goes, repeated separators become one, "." segments go and ".." takes the segment
// before it (never the drive or share). A trailing backslash stays. Any other path (relative,
// rooted without a drive, a device) comes back as it is.
std::string NormalisedPath(std::string_view path);

} // namespace mendrake
