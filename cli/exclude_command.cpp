#include "cli/exclude_command.h"

#include "cli/console_text.h"

#include "settings/exclusion_unit.h"

#include "engine/exclusion_list.h"

#include <cstdio>

namespace mendrake::cli {

int RunExclude(const Arguments& arguments) {
    const std::string& entry = arguments.exclusionEntry;
    if (arguments.exclusionAction == "list") {
        for (const std::string& stored : Exclusions()) {
            PrintText(stdout, "%s\n", stored.c_str());
        }
    } else if (arguments.exclusionAction == "add") {
        // Stored, and so shown, in the short form; a form that could never match is refused
        // (AddExclusion throws, exit status 2).
        const bool added = AddExclusion(entry);
        const std::string stored = ExclusionLocation(entry);
        if (added) {
            PrintText(stdout, "Excluded %s\n", stored.c_str());
        } else {
            PrintText(stdout, "Already excluded: %s\n", stored.c_str());
        }
    } else if (RemoveExclusion(entry)) {
        PrintText(stdout, "No longer excluded: %s\n", entry.c_str());
    } else {
        PrintText(stderr, "mendrake-cli: not in the exclusion list: %s\n", entry.c_str());
        return 1;
    }
    std::fflush(stdout);
    return 0;
}

} // namespace mendrake::cli
