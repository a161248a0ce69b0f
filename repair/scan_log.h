// The scan log: a header naming the computer and the time, then one block per issue.
#pragma once

#include "engine/issue_model.h"
#include "platform/platform.h"

#include <string>
#include <vector>

namespace mendrake {

// The seven header lines (CR LF each).
std::string LogHeader(const std::string& computerName, const platform::LocalTime& time,
                      const std::string& timeSeparator);
// The whole log for `issues`: header, then each issue's eleven-line block.
std::string LogText(const std::vector<TItem>& issues, const std::string& computerName,
                    const platform::LocalTime& time, const std::string& timeSeparator);
// Writes the log of `issues` to `path` with the platform's computer name and local time.
// Throws Error "Cannot create file "%s". %s" when the file cannot be created, and a message
// naming the file when writing it fails.
void SaveLog(const std::string& path, const std::vector<TItem>& issues);

} // namespace mendrake
