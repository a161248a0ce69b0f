// The command line of mendrake-cli.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mendrake::cli {

enum class ReportFormat { Text, Json };

struct Arguments {
    std::string command; // "scan", "fix", "exclude", "restore", "backups", "help" or "version"
    std::vector<std::int32_t> categories; // empty: every scanner category in tree order
    std::optional<std::string> logPath;   // "-" or absent: standard output (scan)
    bool stats = false;
    bool backup = true;
    std::optional<std::string> backupDir;
    std::string backupFile; // restore: the backup script to restore
    bool overwrite = false; // restore: the backup's data goes over entries changed since
    ReportFormat format = ReportFormat::Text;
    std::vector<std::string> exclude; // entries excluded for this run only
    bool storedExclusions = true;     // false: the stored list is ignored for this run
    bool includeInferred = false;     // fix: inferred findings of the newer kinds go too
    bool allUsers = false;            // scan, fix: every user's profile instead of HKCU
    std::string exclusionAction;      // exclude: "add", "remove" or "list"
    std::string exclusionEntry;       // the entry of "add" and "remove"
};

// Throws std::invalid_argument with a one-line message for a bad command line. "--help", "-h"
// or "/?" anywhere asks for the usage, "--version" for the program's version.
Arguments ParseArguments(const std::vector<std::string>& args);

extern const char* const kUsage;
// What --include-inferred changes, which --help prints after the usage.
extern const char* const kInferredNote;
// The exit statuses, which --help prints after the usage.
extern const char* const kExitStatuses;
// The categories --category takes, one a line: "   3  Shared DLLs".
std::string CategoryList();

} // namespace mendrake::cli
