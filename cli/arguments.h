// The command line of mendrake-cli.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mendrake::cli {

struct Arguments {
    std::string command;                  // "scan", "fix", "restore" or "backups"
    std::vector<std::int32_t> categories; // empty: every scanner category in tree order
    std::optional<std::string> logPath;   // "-" or absent: standard output (scan)
    bool stats = false;
    bool backup = true;
    std::optional<std::string> backupDir;
    std::string backupFile; // restore: the backup script to restore
};

// Throws std::invalid_argument with a one-line message for a bad command line.
Arguments ParseArguments(const std::vector<std::string>& args);

extern const char* const kUsage;

} // namespace mendrake::cli
