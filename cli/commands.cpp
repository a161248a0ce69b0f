#include "cli/commands.h"

#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/scan_stats.h"
#include "platform/platform.h"
#include "repair/file_output.h"
#include "repair/fix.h"
#include "repair/scan_log.h"
#include "settings/version_unit.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <chrono>
#include <cstdio>
#include <optional>

namespace mendrake::cli {

namespace {

// Writes bytes to standard output unchanged. In text mode the C runtime turns each LF into
// CR LF, and the log's own CR LF would come out as CR CR LF: the bytes must be those a log
// file holds.
void WriteStandardOutputBytes(std::string_view bytes) {
    std::fflush(stdout);
#ifdef _WIN32
    const int previous = _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
#ifdef _WIN32
    if (previous != -1) {
        _setmode(_fileno(stdout), previous);
    }
#endif
}

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
    WriteStandardOutputBytes(text);
}

// Machine-wide keys are opened with full access, which only administrator rights give: without
// them those keys are skipped and cannot be fixed, and the user should know before the scan.
void NoteMissingRights() {
    if (!platform::Os().HasAdministratorRights()) {
        std::fputs("mendrake-cli: not running with administrator rights: machine-wide keys are "
                   "skipped and cannot be fixed\n",
                   stderr);
        std::fflush(stderr);
    }
}

int RunScan(const Arguments& arguments) {
    NoteMissingRights();
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
    NoteMissingRights();
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

} // namespace

int RunCommand(const Arguments& arguments) {
    if (arguments.command == "help") {
        std::fputs(kUsage, stdout);
        std::fflush(stdout);
        return 0;
    }
    if (arguments.command == "version") {
        TVersionInfo version(platform::Os().ProgramModule());
        std::printf("mendrake-cli %s\n", version.StringValue("FileVersion").c_str());
        std::fflush(stdout);
        return 0;
    }
    if (arguments.command == "scan") {
        return RunScan(arguments);
    }
    return RunFix(arguments);
}

} // namespace mendrake::cli
