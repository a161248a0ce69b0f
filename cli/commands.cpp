#include "cli/commands.h"

#include "cli/console_text.h"
#include "cli/exclude_command.h"
#include "cli/json_report.h"

#include "engine/algorithm_unit.h"
#include "engine/ansi_text.h"
#include "engine/common_unit.h"
#include "engine/error.h"
#include "engine/exclusion_list.h"
#include "engine/issue_model.h"
#include "engine/scan_stats.h"
#include "platform/platform.h"
#include "repair/backup_folder.h"
#include "repair/file_output.h"
#include "repair/backup_list.h"
#include "repair/default_ticks.h"
#include "repair/fix.h"
#include "repair/restore.h"
#include "repair/scan_log.h"
#include "settings/exclusion_unit.h"
#include "settings/version_unit.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <algorithm>
#include <chrono>
#include <exception>
#include <cstdio>
#include <optional>

namespace mendrake::cli {

namespace {

// The list this run honours: the stored one (unless --no-exclusions) and the entries of
// --exclude. A stored list that cannot be read is reported once and counts as empty.
std::vector<std::string> RunExclusions(const Arguments& arguments) {
    std::vector<std::string> entries;
    if (arguments.storedExclusions) {
        try {
            entries = Exclusions();
        } catch (const Error& e) {
            PrintText(stderr, "mendrake-cli: %s\n", e.what());
        }
    }
    entries.insert(entries.end(), arguments.exclude.begin(), arguments.exclude.end());
    return entries;
}

// What a report says besides the issues: the rights the run had, the scanners that failed and
// how many findings the exclusion list kept out.
struct RunFacts {
    bool administrator = false;
    std::vector<CategoryFailure> failures;
    std::size_t excluded = 0;
};

// Runs the scanners of the chosen categories into Issues, as the window's analysis does. A
// scanner that fails ends only itself: what it found before stays, the other categories run,
// and its error comes back in `facts` for the caller to print and report.
void Scan(const Arguments& arguments, RunFacts& facts) {
    Issues.clear();
    AnalysisRun run(Issues, RunExclusions(arguments));
    for (std::int32_t category : arguments.categories) {
        try {
            RunScanner(category, run);
        } catch (const std::exception& e) {
            facts.failures.push_back({category, e.what()});
        }
    }
    facts.excluded = run.Excluded();
}

// Prints the scanners' errors.
void ReportScanErrors(const std::vector<CategoryFailure>& failures) {
    for (const CategoryFailure& failure : failures) {
        PrintText(stderr, "mendrake-cli: %s\n", failure.error.c_str());
    }
}

// The exit status of a scan or a fix: whether every category ran with every key in reach, and
// then whether issues are on the machine (found, or left by the fix).
int RunStatus(const RunFacts& facts, bool issuesLeft) {
    if (!facts.failures.empty()) {
        return kExitFailed;
    }
    if (!facts.administrator) {
        return kExitNoRights;
    }
    return issuesLeft ? kExitIssues : kExitDone;
}

bool ReportToStandardOutput(const Arguments& arguments) {
    return !arguments.logPath || *arguments.logPath == "-";
}

// Writes the bytes to standard output unchanged. In text mode the C runtime turns each LF into
// CR LF, and the log's own CR LF would come out as CR CR LF: standard output must carry the
// bytes a log file holds.
// The log is ANSI text and the JSON report UTF-8 already; both reach a console window through
// its wide output and anything else as UTF-8 bytes.
void WriteStandardOutput(const std::string& text, bool utf8) {
    std::fflush(stdout);
#ifdef _WIN32
    const int previous = _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (utf8) {
        WriteUtf8Text(stdout, text);
    } else {
        WriteText(stdout, text);
    }
    std::fflush(stdout);
#ifdef _WIN32
    if (previous != -1) {
        _setmode(_fileno(stdout), previous);
    }
#endif
}

// Machine-wide keys are opened with full access, which only administrator rights give: without
// them those keys are skipped and cannot be fixed, and the user should know before the scan.
// Whether the run has those rights.
bool NoteMissingRights() {
    const bool administrator = platform::Os().HasAdministratorRights();
    if (!administrator) {
        WriteText(stderr, "mendrake-cli: not running with administrator rights: machine-wide "
                          "keys are skipped and cannot be fixed\n");
        std::fflush(stderr);
    }
    return administrator;
}

// The scan log, or the JSON report (with each issue's outcome when `fixed` is given), of
// Issues to the --log file or standard output.
void WriteReport(const Arguments& arguments, const RunFacts& facts,
                 const std::vector<bool>* fixed = nullptr) {
    platform::Platform& os = platform::Os();
    if (arguments.format == ReportFormat::Json) {
        TVersionInfo version(os.ProgramModule());
        const ReportHeader header{
            ComputerName(),      os.Now(),       version.StringValue("FileVersion"),
            facts.administrator, facts.excluded, facts.failures};
        const std::string report = JsonReport(header, Issues, fixed);
        if (ReportToStandardOutput(arguments)) {
            WriteStandardOutput(report, true);
        } else {
            WriteTextFile(*arguments.logPath, report);
        }
    } else if (ReportToStandardOutput(arguments)) {
        WriteStandardOutput(LogText(Issues, ComputerName(), os.Now(), os.TimeSeparator()), false);
    } else {
        SaveLog(*arguments.logPath, Issues);
    }
}

int RunScan(const Arguments& arguments) {
    RunFacts facts;
    facts.administrator = NoteMissingRights();
    Stats = {};
    const auto start = std::chrono::steady_clock::now();
    Scan(arguments, facts);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    WriteReport(arguments, facts);
    if (arguments.stats) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
        PrintText(stderr,
                  "scanned in %lld ms: %llu keys opened, %llu value queries, %llu paths tested "
                  "(%llu distinct), %zu issues, %zu excluded\n",
                  static_cast<long long>(ms), static_cast<unsigned long long>(Stats.keysOpened),
                  static_cast<unsigned long long>(Stats.valueQueries),
                  static_cast<unsigned long long>(Stats.pathsTested),
                  static_cast<unsigned long long>(Stats.distinctPaths), Issues.size(),
                  facts.excluded);
    }
    ReportScanErrors(facts.failures);
    return RunStatus(facts, !Issues.empty());
}

// The backup's path: in the backup folder by default, else in the folder given.
std::string BackupPath(const Arguments& arguments) {
    if (!arguments.backupDir) {
        return DefaultBackupPath();
    }
    std::string folder = *arguments.backupDir;
    if (!folder.empty() && WithoutTrailingSeparators(folder).size() == folder.size()) {
        folder += '\\';
    }
    return folder + BackupFileName(platform::Os().Now());
}

// Scans, logs what was found when asked, writes the backup and deletes every issue found. A
// backup that cannot be written stops the command before anything is deleted. Entries that are
// still there afterwards (no access, or in use) are counted and reported, not hidden; a
// dependent finding kept with a key it depends on is named with that key and is no failure of
// its own. The JSON report comes after the fix, as it tells what each issue became.
int RunFix(const Arguments& arguments) {
    RunFacts facts;
    facts.administrator = NoteMissingRights();
    Scan(arguments, facts);
    // The user decides on inferred findings of the newer kinds: without --include-inferred
    // they stay, and the references that wait on them with them.
    if (!arguments.includeInferred) {
        TickAsFound(Issues);
    }
    const bool json = arguments.format == ReportFormat::Json;
    if (arguments.logPath && !json) {
        WriteReport(arguments, facts);
    }
    // With the report (the JSON document, or the log of --log -) on standard output, the fix's
    // own lines go to standard error, so that standard output holds the report alone.
    std::FILE* messages =
        (json || arguments.logPath) && ReportToStandardOutput(arguments) ? stderr : stdout;
    std::optional<std::string> backupPath;
    // With nothing to fix there is nothing to back up, and no empty backup is left behind.
    if (arguments.backup && !Issues.empty()) {
        backupPath = BackupPath(arguments);
    }
    const FixResult result = FixIssues(Issues, backupPath);
    if (result.backupPath) {
        PrintText(messages, "Backup written to %s\n", result.backupPath->c_str());
    }
    for (const NotFixed& issue : result.notFixed) {
        PrintText(messages, "Not fixed: %s: %s\n", NotFixedEntryText(Issues[issue.index]).c_str(),
                  issue.reason.c_str());
    }
    const std::vector<AfterFix> outcome = ReadFixOutcome(Issues, result);
    std::vector<bool> fixed;
    std::size_t left = 0, kept = 0;
    for (std::size_t i = 0; i < Issues.size(); ++i) {
        fixed.push_back(outcome[i] == AfterFix::Removed);
        left += fixed.back() ? 0 : 1;
        if (outcome[i] == AfterFix::KeptDependent) {
            ++kept;
            PrintText(messages, "Not fixed: %s: kept because what it depends on was kept: %s\n",
                      NotFixedEntryText(Issues[i]).c_str(),
                      KeptDependentAt(result.kept, i)->location.c_str());
        }
    }
    const auto inferred = static_cast<std::size_t>(
        std::count_if(Issues.begin(), Issues.end(), [](const TItem& issue) {
            return issue.Selected == 0 && CertaintyOf(issue) == Certainty::Inferred;
        }));
    if (inferred != 0) {
        PrintText(messages, "Left in place: %zu inferred %s (--include-inferred removes %s)\n",
                  inferred, inferred == 1 ? "finding" : "findings", inferred == 1 ? "it" : "them");
    }
    PrintText(messages, "Fixed %zu of %zu issues, %zu excluded\n", Issues.size() - left,
              Issues.size(), facts.excluded);
    std::fflush(messages);
    if (json) {
        WriteReport(arguments, facts, &fixed);
    }
    const std::size_t failed = left - kept;
    if (failed != 0) {
        PrintText(stderr, "mendrake-cli: %zu issues could not be removed\n", failed);
    }
    ReportScanErrors(facts.failures);
    return RunStatus(facts, left != 0);
}

// Restores a backup: the summary on standard output, then one line per entry that failed or
// changed since the backup on standard error. A file that cannot be read or parsed changes
// nothing. Entries that could not be written by a run without administrator rights are most
// likely machine-wide ones, which those rights would let it write: that is said by the status.
int RunRestore(const Arguments& arguments) {
    const std::string& file = arguments.backupFile;
    RestoreResult result;
    try {
        result = RestoreBackup(file, arguments.overwrite);
    } catch (const Error& e) {
        const std::string message = e.what();
        // The reader names the line; the file is named here.
        PrintText(stderr, "mendrake-cli: %s%s\n",
                  message.rfind("Line ", 0) == 0 ? (file + ": ").c_str() : "", message.c_str());
        return kExitUsage;
    }
    PrintText(stdout, "%s\n", RestoreSummary(result, file).c_str());
    std::fflush(stdout);
    for (const std::string& failure : result.failures) {
        PrintText(stderr, "%s\n", failure.c_str());
    }
    if (result.conflicts != 0 && !arguments.overwrite) {
        // The way to put the backup's data over them, for a user who wants it after all.
        PrintText(stderr,
                  "%s changed since the backup; restore --overwrite writes the backup's "
                  "data over them\n",
                  Counted(result.conflicts, "entry", "entries").c_str());
    }
    std::fflush(stderr);
    if (result.failures.empty()) {
        return kExitDone;
    }
    const bool unwritten = result.failures.size() > result.conflicts;
    return unwritten && !platform::Os().HasAdministratorRights() ? kExitNoRights : kExitFailed;
}

// Lists the backups of the backup folder (or DIR), newest first.
int RunBackups(const Arguments& arguments) {
    const std::string folder = arguments.backupDir ? *arguments.backupDir : BackupFolder();
    // A folder that is not there is a mistyped name, not a folder without backups.
    const std::uint32_t attributes = platform::Os().FileAttributes(folder);
    if (attributes == platform::kInvalidAttributes ||
        (attributes & platform::kAttrDirectory) == 0) {
        PrintText(stderr, "mendrake-cli: no such folder: %s\n", folder.c_str());
        return kExitUsage;
    }
    const std::vector<BackupEntry> backups = ListBackups(folder);
    if (backups.empty()) {
        PrintText(stdout, "No backups in %s\n", folder.c_str());
    }
    for (const BackupEntry& backup : backups) {
        if (backup.problem.empty() && !backup.filesProblem.empty()) {
            PrintText(stdout, "%s  %s, %s, files cannot be read (%s)  %s\n", backup.when.c_str(),
                      Counted(backup.keys, "key", "keys").c_str(),
                      Counted(backup.values, "value", "values").c_str(),
                      backup.filesProblem.c_str(), backup.path.c_str());
        } else if (backup.problem.empty()) {
            PrintText(stdout, "%s  %s, %s, %s  %s\n", backup.when.c_str(),
                      Counted(backup.keys, "key", "keys").c_str(),
                      Counted(backup.values, "value", "values").c_str(),
                      Counted(backup.files, "file", "files").c_str(), backup.path.c_str());
        } else {
            PrintText(stdout, "%s  cannot be read (%s)  %s\n", backup.when.c_str(),
                      backup.problem.c_str(), backup.path.c_str());
        }
    }
    std::fflush(stdout);
    return 0;
}

} // namespace

int RunCommand(const Arguments& arguments) {
    if (arguments.command == "help") {
        WriteText(stdout, std::string(kUsage) + kInferredNote +
                              "\ncategories (--category takes the number or the name):\n" +
                              CategoryList() + kExitStatuses);
        std::fflush(stdout);
        return kExitDone;
    }
    if (arguments.command == "version") {
        TVersionInfo version(platform::Os().ProgramModule());
        PrintText(stdout, "mendrake-cli %s\n", version.StringValue("FileVersion").c_str());
        std::fflush(stdout);
        return kExitDone;
    }
    if (arguments.command == "exclude") {
        return RunExclude(arguments);
    }
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
