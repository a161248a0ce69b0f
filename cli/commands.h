#pragma once

#include "cli/arguments.h"

namespace mendrake::cli {

// Runs a parsed command; the exit status (0 done). Errors are thrown.
int RunCommand(const Arguments& arguments);

} // namespace mendrake::cli
