#pragma once

#include "cli/arguments.h"

namespace mendrake::cli {

// The exit statuses of scan, fix and restore, for scripts and for the deployment tools that
// run the console program on many machines. They stay clear of the codes those tools read
// as an installer's (1618 busy, 1641 and 3010 restart, 1707 success). When several apply, the
// first of 2, 1, 4, 3 in this order is given: a run that did not cover everything cannot
// vouch for what it found.
enum ExitStatus : int {
    kExitDone = 0,     // nothing found (scan), nothing left (fix), everything restored
    kExitFailed = 1,   // a category's scanner failed, the others ran; entries not restored
    kExitUsage = 2,    // bad arguments; a log, backup or backup file not written or not read
    kExitIssues = 3,   // issues found (scan), or left in place by the fix
    kExitNoRights = 4, // without administrator rights: machine-wide keys skipped (scan, fix)
                       // or entries not written (restore)
    kExitAllUsersNoRights = 5, // --all-users without administrator rights: nothing was scanned
};

// Runs a parsed command; its exit status. Errors are thrown.
int RunCommand(const Arguments& arguments);

} // namespace mendrake::cli
