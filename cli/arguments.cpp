#include "cli/arguments.h"

#include "engine/exclusion_list.h"
#include "engine/issue_model.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <initializer_list>
#include <stdexcept>

namespace mendrake::cli {

const char* const kUsage =
    "usage: mendrake-cli scan [--category ID|NAME]... [--log FILE] [--format text|json] [--stats]\n"
    "                         [--exclude ENTRY]... [--no-exclusions] [--all-users]\n"
    "       mendrake-cli fix [--category ID|NAME]... [--no-backup] [--backup-dir DIR] [--log "
    "FILE]\n"
    "                        [--format text|json] [--exclude ENTRY]... [--no-exclusions]\n"
    "                        [--include-inferred] [--all-users]\n"
    "       mendrake-cli exclude add ENTRY | exclude remove ENTRY | exclude list\n"
    "       mendrake-cli restore [--overwrite] FILE\n"
    "       mendrake-cli backups [--backup-dir DIR]\n"
    "       mendrake-cli --help | --version\n";

const char* const kInferredNote =
    "\n"
    "fix removes the findings whose entry names something that was tested and is gone. Findings\n"
    "inferred from other findings or judged over several values (keys left empty by the fix,\n"
    "software keys and uninstall entries of removed programs) stay unless --include-inferred\n"
    "is given; a reference to a key being removed goes with that key.\n";

const char* const kExitStatuses =
    "\n"
    "exit status of scan, fix and restore (the first that applies of 2, 1, 4, 3, 0; 5 stops\n"
    "the command before anything else):\n"
    "  0  nothing found (scan), nothing left (fix), everything restored (restore)\n"
    "  1  a category failed, the others ran (scan, fix); entries not restored (restore)\n"
    "  2  bad arguments, or a log, backup or backup file not written or not read\n"
    "  3  issues found (scan), or left in place (fix)\n"
    "  4  no administrator rights: machine-wide keys skipped (scan, fix) or entries not\n"
    "     written (restore)\n"
    "  5  --all-users without administrator rights: nothing scanned\n";

std::string CategoryList() {
    std::string list;
    for (const TLevel& level : Levels) {
        if (level.HasScanner != 0) {
            const std::string id = std::to_string(level.Id);
            list += "  " + std::string(id.size() < 2 ? 1 : 0, ' ') + id + "  " + level.Name + "\n";
        }
    }
    return list;
}

namespace {

bool SameName(const std::string& a, const char* b) {
    return std::equal(a.begin(), a.end(), b, b + std::char_traits<char>::length(b),
                      [](char x, char y) {
                          return std::tolower(static_cast<unsigned char>(x)) ==
                                 std::tolower(static_cast<unsigned char>(y));
                      });
}

// A category by its number or its English name (any case, as the help lists it).
std::int32_t CategoryId(const std::string& text) {
    std::size_t used = 0;
    int id = -1;
    try {
        id = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    for (const TLevel& level : Levels) {
        if (level.HasScanner != 0 && ((used == text.size() && !text.empty() && level.Id == id) ||
                                      SameName(text, level.Name))) {
            return level.Id;
        }
    }
    throw std::invalid_argument("no scanner category is called " + text + "; the categories:\n" +
                                CategoryList());
}

ReportFormat FormatNamed(const std::string& name) {
    if (name == "text") {
        return ReportFormat::Text;
    }
    if (name == "json") {
        return ReportFormat::Json;
    }
    throw std::invalid_argument("unknown format: " + name + " (text or json)");
}

// "exclude add ENTRY", "exclude remove ENTRY" or "exclude list".
Arguments ParseExclude(const std::vector<std::string>& args) {
    Arguments parsed;
    parsed.command = args[0];
    if (args.size() < 2) {
        throw std::invalid_argument("exclude needs add, remove or list");
    }
    parsed.exclusionAction = args[1];
    std::size_t operands = 0;
    if (parsed.exclusionAction == "add" || parsed.exclusionAction == "remove") {
        if (args.size() < 3) {
            throw std::invalid_argument("exclude " + parsed.exclusionAction + " needs an entry");
        }
        parsed.exclusionEntry = args[2];
        operands = 1;
    } else if (parsed.exclusionAction != "list") {
        throw std::invalid_argument("unknown exclude action: " + parsed.exclusionAction +
                                    " (add, remove or list)");
    }
    if (args.size() > 2 + operands) {
        throw std::invalid_argument("unexpected argument: " + args[2 + operands]);
    }
    return parsed;
}

} // namespace

Arguments ParseArguments(const std::vector<std::string>& args) {
    Arguments parsed;
    auto given = [&args](std::initializer_list<const char*> names) {
        return std::any_of(args.begin(), args.end(), [&names](const std::string& arg) {
            return std::find(names.begin(), names.end(), arg) != names.end();
        });
    };
    // Asking for help wins over everything else on the line, as Windows tools answer it.
    if (given({"--help", "-h", "/?"})) {
        parsed.command = "help";
        return parsed;
    }
    if (given({"--version"})) {
        parsed.command = "version";
        return parsed;
    }
    if (args.empty()) {
        throw std::invalid_argument("no command given");
    }
    if (args[0] == "exclude") {
        return ParseExclude(args);
    }
    parsed.command = args[0];
    if (parsed.command == "restore") {
        std::vector<std::string> operands(args.begin() + 1, args.end());
        parsed.overwrite = std::erase(operands, std::string("--overwrite")) != 0;
        if (operands.size() != 1 || operands[0].empty() || operands[0].front() == '-') {
            throw std::invalid_argument("restore needs one backup file and nothing else");
        }
        parsed.backupFile = operands[0];
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
        } else if (arg == "--format") {
            parsed.format = FormatNamed(operand());
        } else if (arg == "--exclude") {
            const std::string& entry = operand();
            if (entry.empty()) {
                throw std::invalid_argument("--exclude needs an entry");
            }
            // The short form, as stored entries are kept; a form that could never match is
            // a mistake the user should hear of, not a silent no-op.
            std::optional<std::string> shortForm = ShortExclusionEntry(entry);
            if (!shortForm) {
                throw std::invalid_argument(RefusedEntryMessage(entry));
            }
            parsed.exclude.push_back(std::move(*shortForm));
        } else if (arg == "--no-exclusions") {
            parsed.storedExclusions = false;
        } else if (arg == "--all-users") {
            parsed.allUsers = true;
        } else if (arg == "--stats" && !fix) {
            parsed.stats = true;
        } else if (arg == "--include-inferred" && fix) {
            parsed.includeInferred = true;
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
