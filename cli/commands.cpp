#include "cli/commands.h"

#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/scan_stats.h"
#include "platform/platform.h"
#include "repair/file_output.h"
#include "repair/fix.h"
#include "repair/scan_log.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <cstdio>
#include <optional>

namespace mendrake::cli {

namespace {

// Runs the scanners of the chosen categories into Issues, as the window's analysis does. A
// scanner that fails ends only itself: what it found before stays, the other categories run,
// and its error comes back for the caller to print. Returns the errors.
std::vector<std::string> Scan(const Arguments& arguments) {
    Issues.clear();
    ExistenceCacheScope cache;
    std::vector<std::string> errors;
    for (std::int32_t category : arguments.categories) {
        try {
            RunScanner(category);
        } catch (const std::exception& e) {
            errors.push_back(e.what());
        }
    }
    return errors;
}

// Prints the scanners' errors; the exit status for a run that had any.
int ReportScanErrors(const std::vector<std::string>& errors) {
    for (const std::string& error : errors) {
        std::fprintf(stderr, "mendrake-cli: %s\n", error.c_str());
    }
    return errors.empty() ? 0 : 1;
}

void WriteLog(const Arguments& arguments) {
    if (arguments.logPath && *arguments.logPath != "-") {
        SaveLog(*arguments.logPath, Issues);
        return;
    }
    platform::Platform& os = platform::Os();
    const std::string text = LogText(Issues, ComputerName(), os.Now(), os.TimeSeparator());
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

int RunScan(const Arguments& arguments) {
    Stats = {};
    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::string> errors = Scan(arguments);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    WriteLog(arguments);
    if (arguments.stats) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
        std::fprintf(stderr,
                     "scanned in %lld ms: %llu keys opened, %llu value queries, %llu paths tested "
                     "(%llu distinct), %zu issues\n",
                     static_cast<long long>(ms), static_cast<unsigned long long>(Stats.keysOpened),
                     static_cast<unsigned long long>(Stats.valueQueries),
                     static_cast<unsigned long long>(Stats.pathsTested),
                     static_cast<unsigned long long>(Stats.distinctPaths), Issues.size());
    }
    return ReportScanErrors(errors);
}

// The backup's path: the program's folder by default, else the folder given.
std::string BackupPath(const Arguments& arguments) {
    if (!arguments.backupDir) {
        return DefaultBackupPath();
    }
    std::string folder = *arguments.backupDir;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') {
        folder += '\\';
    }
    return folder + BackupFileName(platform::Os().Now());
}

// Scans, logs what was found when asked, writes the backup and deletes every issue found. A
// backup that cannot be written stops the command before anything is deleted. Entries that are
// still there afterwards (no access, or in use) are counted and reported, not hidden.
int RunFix(const Arguments& arguments) {
    const std::vector<std::string> errors = Scan(arguments);
    if (arguments.logPath) {
        WriteLog(arguments);
    }
    std::optional<std::string> backupPath;
    if (arguments.backup) {
        backupPath = BackupPath(arguments);
    }
    const FixResult result = FixIssues(Issues, backupPath);
    if (result.backupPath) {
        std::printf("Backup written to %s\n", result.backupPath->c_str());
    }
    for (const NotFixed& issue : result.notFixed) {
        std::printf("Not fixed: %s: %s\n", NotFixedEntryText(Issues[issue.index]).c_str(),
                    issue.reason.c_str());
    }
    std::size_t left = 0;
    for (const TItem& issue : Issues) {
        if (issue.Selected != 0 && IssueEntryPresent(issue)) {
            ++left;
        }
    }
    std::printf("Fixed %zu of %zu issues\n", Issues.size() - left, Issues.size());
    std::fflush(stdout);
    if (left != 0) {
        std::fprintf(stderr, "mendrake-cli: %zu issues could not be removed\n", left);
    }
    return std::max(left != 0 ? 1 : 0, ReportScanErrors(errors));
}

} // namespace

int RunCommand(const Arguments& arguments) {
    if (arguments.command == "scan") {
        return RunScan(arguments);
    }
    return RunFix(arguments);
}

} // namespace mendrake::cli
