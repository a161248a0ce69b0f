#include "cli/commands.h"

#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/error.h"
#include "engine/issue_model.h"
#include "engine/scan_stats.h"
#include "platform/platform.h"
#include "repair/file_output.h"
#include "repair/backup_list.h"
#include "repair/fix.h"
#include "repair/restore.h"
#include "repair/scan_log.h"

#include <chrono>
#include <cstdio>
#include <optional>

namespace mendrake::cli {

namespace {

// Runs the scanners of the chosen categories into Issues, as the window's analysis does.
void Scan(const Arguments& arguments) {
    Issues.clear();
    ExistenceCacheScope cache;
    for (std::int32_t category : arguments.categories) {
        RunScanner(category);
    }
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
    Scan(arguments);
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
    return 0;
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
    Scan(arguments);
    if (arguments.logPath) {
        WriteLog(arguments);
    }
    std::optional<std::string> backupPath;
    if (arguments.backup) {
        backupPath = BackupPath(arguments);
    }
    FixIssues(Issues, backupPath);
    if (backupPath) {
        std::printf("Backup written to %s\n", backupPath->c_str());
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
        return 1;
    }
    return 0;
}

// Restores a backup: the summary, then one line per entry that failed. A file that cannot be
// read or parsed changes nothing.
int RunRestore(const Arguments& arguments) {
    const std::string& file = arguments.backupFile;
    RestoreResult result;
    try {
        result = RestoreBackup(file);
    } catch (const Error& e) {
        const std::string message = e.what();
        // The reader names the line; the file is named here.
        std::fprintf(stderr, "mendrake-cli: %s%s\n",
                     message.rfind("Line ", 0) == 0 ? (file + ": ").c_str() : "", message.c_str());
        return 2;
    }
    std::printf("%s\n", RestoreSummary(result, file).c_str());
    for (const std::string& failure : result.failures) {
        std::printf("%s\n", failure.c_str());
    }
    std::fflush(stdout);
    return result.failures.empty() ? 0 : 1;
}

// Lists the backups of the program's folder (or DIR), newest first.
int RunBackups(const Arguments& arguments) {
    const std::string folder =
        arguments.backupDir ? *arguments.backupDir : platform::Os().ProgramFolder();
    const std::vector<BackupEntry> backups = ListBackups(folder);
    if (backups.empty()) {
        std::printf("No backups in %s\n", folder.c_str());
    }
    for (const BackupEntry& backup : backups) {
        if (backup.problem.empty()) {
            std::printf("%s  %zu keys, %zu values, %zu files  %s\n", backup.when.c_str(),
                        backup.keys, backup.values, backup.files, backup.path.c_str());
        } else {
            std::printf("%s  cannot be read (%s)  %s\n", backup.when.c_str(),
                        backup.problem.c_str(), backup.path.c_str());
        }
    }
    std::fflush(stdout);
    return 0;
}

} // namespace

int RunCommand(const Arguments& arguments) {
    if (arguments.command == "scan") {
        return RunScan(arguments);
    }
    if (arguments.command == "restore") {
        return RunRestore(arguments);
    }
    if (arguments.command == "backups") {
        return RunBackups(arguments);
    }
    return RunFix(arguments);
}

} // namespace mendrake::cli
