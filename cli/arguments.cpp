#include "cli/arguments.h"

#include "engine/issue_model.h"

#include <stdexcept>

namespace mendrake::cli {

const char* const kUsage =
    "usage: mendrake-cli scan [--category ID]... [--log FILE] [--stats]\n"
    "       mendrake-cli fix [--category ID]... [--no-backup] [--backup-dir DIR] [--log FILE]\n"
    "       mendrake-cli restore FILE\n"
    "       mendrake-cli backups [--backup-dir DIR]\n";

namespace {

std::int32_t CategoryId(const std::string& text) {
    std::size_t used = 0;
    int id = 0;
    try {
        id = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || text.empty()) {
        throw std::invalid_argument("not a category identifier: " + text);
    }
    for (const TLevel& level : Levels) {
        if (level.Id == id && level.HasScanner != 0) {
            return id;
        }
    }
    throw std::invalid_argument("no scanner category has the identifier " + text);
}

} // namespace

Arguments ParseArguments(const std::vector<std::string>& args) {
    if (args.empty()) {
        throw std::invalid_argument("no command given");
    }
    Arguments parsed;
    parsed.command = args[0];
    if (parsed.command == "restore") {
        if (args.size() != 2 || args[1].empty() || args[1].front() == '-') {
            throw std::invalid_argument("restore needs one backup file and nothing else");
        }
        parsed.backupFile = args[1];
        return parsed;
    }
    if (parsed.command != "scan" && parsed.command != "fix" && parsed.command != "backups") {
        throw std::invalid_argument("unknown command: " + parsed.command);
    }
    const bool fix = parsed.command == "fix";
    const bool backups = parsed.command == "backups";
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto operand = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw std::invalid_argument(arg + " needs a value");
            }
            return args[++i];
        };
        if (backups && arg != "--backup-dir") {
            throw std::invalid_argument("unknown option for backups: " + arg);
        }
        if (arg == "--category") {
            parsed.categories.push_back(CategoryId(operand()));
        } else if (arg == "--log") {
            parsed.logPath = operand();
        } else if (arg == "--stats" && !fix) {
            parsed.stats = true;
        } else if (arg == "--no-backup" && fix) {
            parsed.backup = false;
        } else if (arg == "--backup-dir" && (fix || backups)) {
            parsed.backupDir = operand();
        } else {
            throw std::invalid_argument("unknown option for " + parsed.command + ": " + arg);
        }
    }
    if (parsed.categories.empty()) {
        for (const TLevel& level : Levels) {
            if (level.HasScanner != 0) {
                parsed.categories.push_back(level.Id);
            }
        }
    }
    return parsed;
}

} // namespace mendrake::cli
