#pragma once

#include "cli/arguments.h"

namespace mendrake::cli {

// "exclude add|remove|list": edits or prints the stored exclusion list. Exit status 0, or 1
// when "remove" finds no such entry. Errors of the settings key are thrown.
int RunExclude(const Arguments& arguments);

} // namespace mendrake::cli
