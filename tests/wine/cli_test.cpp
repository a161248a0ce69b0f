// mendrake-cli.exe end to end: started as its own process on a planted fixture.
#include "engine/algorithm_unit.h"
#include "engine/exclusion_list.h"
#include "engine/issue_model.h"
#include "platform/platform.h"
#include "platform/win32/handles.h"
#include "settings/exclusion_unit.h"
#include "settings/version_unit.h"
#include "tests/support/console_program.h"
#include "tests/support/fixtures.h"
#include "tests/support/kept_settings.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace mendrake {
namespace {

using test::CliRun;
using test::FileBytes;
using test::RunProgram;

CliRun RunCliCaptured(const std::string& arguments) {
    return RunProgram("mendrake-cli.exe", arguments);
}

// Runs the console program with `arguments` and gives its exit code.
DWORD RunCli(const std::string& arguments) {
    return RunCliCaptured(arguments).status;
}

TEST(ConsoleScan, WritesTheLogOfTheFixtureEntries) {
    std::string expected;
    const std::string dir = test::ScenarioDir("com-classes");
    const std::string log = "C:\\MendrakeTest\\cli\\scan.log";
    test::PlantedFiles files(test::ReadHostFile(dir + "/files.txt"), dir);
    files.AddFolder("C:\\MendrakeTest\\cli\\");
    const std::vector<TItem> before = test::Scan({5});
    test::PlantedRegistry registry(test::ReadHostFile(dir + "/registry.reg"));
    files.AddFile(log); // planted so that it is removed afterwards; the program replaces it

    // Issues found: exit status 3.
    ASSERT_EQ(3u, RunCli("scan --category 5 --log " + log));
    const std::vector<TItem> after = test::Scan({5});
    const std::string written = FileBytes(log);
    EXPECT_EQ(0u, written.find("Log file for for: " + platform::Os().ComputerName() + "\r\n"));
    const std::size_t items = written.find("ITEMS:\r\n\r\n");
    ASSERT_NE(std::string::npos, items);
    EXPECT_EQ(test::Blocks(after), written.substr(items + 10));
    EXPECT_EQ(test::WithCrLf(test::ReadHostFile(dir + "/expected.txt")),
              test::Blocks(test::Added(before, after)));
}

TEST(ConsoleScan, RejectsBadExclusionAndFormatArgumentsWithStatus2) {
    for (const char* arguments :
         {"scan --format xml", "scan --exclude", "fix --exclude \"\"", "exclude", "exclude add",
          "exclude remove", "exclude list more", "exclude drop x", "exclude add a b"}) {
        EXPECT_EQ(2u, RunCli(arguments)) << arguments;
    }
}

std::string ReadAndRemove(const std::string& path) {
    std::string bytes = FileBytes(path);
    DeleteFileA(path.c_str());
    std::erase(bytes, '\r');
    return bytes;
}

// The console program's streams, with the CR LF of its text-mode output read as LF.
CliRun RunCliCapturing(const std::string& arguments) {
    CliRun run = RunCliCaptured(arguments);
    std::erase(run.out, '\r');
    std::erase(run.err, '\r');
    return run;
}

// One argument of a command line: in double quotes, with the backslashes in front of the
// closing quote doubled, as the C runtime reads a backslash there as escaping the quote.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"" + text;
    for (std::size_t i = text.size(); i > 0 && text[i - 1] == '\\'; --i) {
        quoted += '\\';
    }
    return quoted + "\"";
}

const std::string kUserRun = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kMachineRunOnce = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

TEST(ConsoleExclude, EditsTheStoredListAcrossRuns) {
    test::KeptSettings kept;
    const std::string vendor = "HKLM\\Software\\Vendor";
    // UTF-8, the code page of this test and of the program: names in any script round-trip.
    const std::string shortcut =
        "C:\\Users\\Public\\Desktop\\Caf\u00E9 \u0410\u043D\u043D\u0430 \u8868 \U0001F600.lnk";
    EXPECT_EQ("", RunCliCapturing("exclude list").out);

    CliRun run = RunCliCapturing("exclude add " + Quoted(vendor));
    EXPECT_EQ(0u, run.status) << run.err;
    EXPECT_EQ("Excluded " + vendor + "\n", run.out);
    run = RunCliCapturing("exclude add " + Quoted("hklm\\software\\VENDOR\\"));
    EXPECT_EQ(0u, run.status) << run.err;
    EXPECT_EQ("Already excluded: HKLM\\software\\VENDOR\n", run.out);
    EXPECT_EQ(0u, RunCliCapturing("exclude add " + Quoted(shortcut)).status);

    run = RunCliCapturing("exclude list");
    EXPECT_EQ(0u, run.status) << run.err;
    EXPECT_EQ(vendor + "\n" + shortcut + "\n", run.out);
    EXPECT_EQ((std::vector<std::string>{vendor, shortcut}), Exclusions());

    run = RunCliCapturing("exclude remove " + Quoted(vendor));
    EXPECT_EQ(0u, run.status) << run.err;
    run = RunCliCapturing("exclude remove " + Quoted(vendor));
    EXPECT_EQ(1u, run.status);
    EXPECT_EQ("mendrake-cli: not in the exclusion list: " + vendor + "\n", run.err);
    run = RunCliCapturing("exclude list");
    EXPECT_EQ(shortcut + "\n", run.out);
    // What the list printed, given back, names the same entry.
    run = RunCliCapturing("exclude remove " + Quoted(run.out.substr(0, run.out.size() - 1)));
    EXPECT_EQ(0u, run.status) << run.err;
    EXPECT_EQ("", RunCliCapturing("exclude list").out);

    test::PutSetting("exclude", platform::kRegSz, vendor + '\0');
    for (const char* arguments : {"exclude list", "exclude add HKLM\\x", "exclude remove x"}) {
        run = RunCliCapturing(arguments);
        EXPECT_EQ(2u, run.status) << arguments;
        EXPECT_EQ("mendrake-cli: Invalid data type for 'exclude'\n", run.err) << arguments;
    }
    EXPECT_EQ(platform::kRegSz, test::StoredSetting("exclude")->type) << "left as it was";
}

// What people paste goes in as the log shows it; what could never match is refused with status
// 2, before anything is stored and before any scan.
TEST(ConsoleExclude, PastedFormsAreStoredShortAndUnknownFormsAreRefused) {
    test::KeptSettings kept;
    CliRun run = RunCliCapturing("exclude add " +
                                 Quoted("Computer\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\"));
    EXPECT_EQ(0u, run.status) << run.err;
    EXPECT_EQ("Excluded HKLM\\SOFTWARE\\Vendor\n", run.out);
    EXPECT_EQ((std::vector<std::string>{"HKLM\\SOFTWARE\\Vendor"}), Exclusions());
    for (const char* arguments :
         {"exclude add Vendor", "exclude add Software\\Vendor", "scan --exclude Vendor",
          "fix --exclude Registry\\Vendor --no-backup"}) {
        run = RunCliCapturing(arguments);
        EXPECT_EQ(2u, run.status) << arguments;
        EXPECT_NE(std::string::npos, run.err.find("Not a registry key, folder or file")) << run.err;
        EXPECT_EQ("", run.out) << arguments;
    }
    EXPECT_EQ(1u, Exclusions().size());
}

// The values of the issues of a JSON report.
std::vector<std::string> ReportedValues(const nlohmann::json& report) {
    std::vector<std::string> values;
    for (const auto& issue : report.at("issues")) {
        values.push_back(issue.at("value").get<std::string>());
    }
    return values;
}

std::vector<std::string> ValuesOf(const std::vector<TItem>& issues) {
    std::vector<std::string> values;
    for (const TItem& issue : issues) {
        values.push_back(issue.Value);
    }
    return values;
}

bool Has(const std::vector<std::string>& values, const std::string& value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

// Minutes since 1601 of "yyyy-mm-ddThh:nn:ss+hh:nn" taken back to UTC, and of the clock's UTC.
long long UtcMinutes(const std::string& iso) {
    SYSTEMTIME local{};
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, offsetHours = 0,
        offsetMinutes = 0;
    char sign = 0;
    if (std::sscanf(iso.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%2d:%2d", &year, &month, &day, &hour,
                    &minute, &second, &sign, &offsetHours, &offsetMinutes) != 9 ||
        (sign != '+' && sign != '-')) {
        return -1;
    }
    local.wYear = static_cast<WORD>(year);
    local.wMonth = static_cast<WORD>(month);
    local.wDay = static_cast<WORD>(day);
    local.wHour = static_cast<WORD>(hour);
    local.wMinute = static_cast<WORD>(minute);
    FILETIME file{};
    SystemTimeToFileTime(&local, &file);
    const long long minutes =
        static_cast<long long>((static_cast<ULONGLONG>(file.dwHighDateTime) << 32) |
                               file.dwLowDateTime) /
        600000000LL;
    const int offset = (sign == '-' ? -1 : 1) * (offsetHours * 60 + offsetMinutes);
    return minutes - offset;
}

long long ClockUtcMinutes() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return static_cast<long long>((static_cast<ULONGLONG>(now.dwHighDateTime) << 32) |
                                  now.dwLowDateTime) /
           600000000LL;
}

TEST(ConsoleScan, TheJsonReportHonoursTheStoredListAndTheRunsOwnEntries) {
    test::KeptSettings kept;
    const std::string dir = test::ScenarioDir("run-keys");
    test::PlantedFiles files(test::ReadHostFile(dir + "/files.txt"), dir);
    test::PlantedRegistry registry(test::ReadHostFile(dir + "/registry.reg"));
    ASSERT_TRUE(AddExclusion(kUserRun + "\\Mendrake B Args"));

    const std::string exclude = " --exclude " + Quoted(kMachineRunOnce);
    CliRun run = RunCliCapturing("scan --category 10 --format json" + exclude);
    ASSERT_EQ(3u, run.status) << run.err;
    EXPECT_EQ("", run.err);
    const nlohmann::json report = nlohmann::json::parse(run.out);
    std::size_t excluded = 0;
    std::vector<TItem> expected;
    {
        Issues.clear();
        AnalysisRun scan(Issues, {kUserRun + "\\Mendrake B Args", kMachineRunOnce});
        RunScanner(10, scan);
        expected = std::move(Issues);
        Issues.clear();
        excluded = scan.Excluded();
    }
    EXPECT_EQ(ValuesOf(expected), ReportedValues(report));
    EXPECT_EQ(excluded, report.at("excluded").get<std::size_t>());
    EXPECT_GE(excluded, 2u);
    EXPECT_FALSE(Has(ReportedValues(report), "Mendrake B Args"));
    EXPECT_FALSE(Has(ReportedValues(report), "Mendrake Machine Once"));
    EXPECT_TRUE(Has(ReportedValues(report), "Mendrake A Quoted"));
    EXPECT_EQ(platform::Os().ComputerName(), report.at("computer"));
    EXPECT_EQ(platform::Os().HasAdministratorRights(), report.at("administrator").get<bool>());
    EXPECT_EQ(nlohmann::json::array(), report.at("failures"));
    EXPECT_EQ(TVersionInfo(platform::Os().ProgramModule()).StringValue("FileVersion"),
              report.at("version"));
    const long long generated = UtcMinutes(report.at("generated").get<std::string>());
    EXPECT_LE(std::llabs(ClockUtcMinutes() - generated), 2) << report.at("generated");

    // --no-exclusions leaves out the stored list, not the run's own entries.
    run = RunCliCapturing("scan --category 10 --format json --no-exclusions" + exclude);
    ASSERT_EQ(3u, run.status) << run.err;
    const std::vector<std::string> values = ReportedValues(nlohmann::json::parse(run.out));
    EXPECT_TRUE(Has(values, "Mendrake B Args"));
    EXPECT_FALSE(Has(values, "Mendrake Machine Once"));

    // A stored value of another type is reported once and the scan goes on without it.
    test::PutSetting("exclude", platform::kRegDword, std::string("\1\0\0\0", 4));
    run = RunCliCapturing("scan --category 10 --format json");
    EXPECT_EQ(3u, run.status);
    EXPECT_EQ("mendrake-cli: Invalid data type for 'exclude'\n", run.err);
    EXPECT_TRUE(Has(ReportedValues(nlohmann::json::parse(run.out)), "Mendrake B Args"));
}

TEST(ConsoleFix, ExcludedEntriesStayAndNeverReachTheBackup) {
    test::KeptSettings kept;
    ASSERT_TRUE(test::Scan({10}).empty()) << "the prefix must start without run issues";
    const std::string dir = test::ScenarioDir("run-keys");
    test::PlantedFiles files(test::ReadHostFile(dir + "/files.txt"), dir);
    test::PlantedRegistry registry(test::ReadHostFile(dir + "/registry.reg"));
    const std::string folder = "C:\\MendrakeTest\\fix-backup";
    files.AddFolder(folder + "\\");

    const CliRun run = RunCliCapturing("fix --category 10 --format json --backup-dir " + folder +
                                       " --exclude " + Quoted(kUserRun + "\\Mendrake B Args"));
    EXPECT_EQ(0u, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("Fixed 9 of 9 issues, 1 excluded\n")) << run.err;
    const nlohmann::json report = nlohmann::json::parse(run.out);
    EXPECT_EQ(1, report.at("excluded"));
    ASSERT_EQ(9u, report.at("issues").size());
    for (const auto& issue : report.at("issues")) {
        EXPECT_TRUE(issue.at("fixed").get<bool>()) << issue.dump();
    }
    EXPECT_EQ((std::vector<std::string>{"Mendrake B Args"}), ValuesOf(test::Scan({10})));

    const auto at = run.err.find("Backup written to ");
    ASSERT_NE(std::string::npos, at) << run.err;
    const std::string backup = run.err.substr(at + 18, run.err.find('\n', at) - at - 18);
    const std::string script = ReadAndRemove(backup);
    EXPECT_NE(std::string::npos, script.find("\"Mendrake A Quoted\"")) << script;
    EXPECT_EQ(std::string::npos, script.find("Mendrake B Args")) << script;
}

// With --log - standard output carries the log alone and the fix's lines go to standard error;
// a fix that finds nothing leaves no backup behind; the backups of a folder that is not there
// are an error, not an empty list.
TEST(ConsoleFix, TheLogOnStandardOutputStandsAloneAndNothingToFixLeavesNoBackup) {
    ASSERT_TRUE(test::Scan({10}).empty()) << "the prefix must start without run issues";
    test::PlantedFiles files;
    const std::string folder = "C:\\MendrakeTest\\fix-streams";
    files.AddFolder(folder + "\\");
    test::PlantedRegistry registry(
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]"
        "\r\n\"MendrakeStreams\"=\"C:\\\\MendrakeGone\\\\streams.exe\"\r\n\r\n");
    CliRun run = RunCliCapturing("fix --category 10 --log - --backup-dir " + folder);
    EXPECT_EQ(0u, run.status) << run.err;
    EXPECT_EQ(0u, run.out.find("Log file for for: ")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("C:\\MendrakeGone\\streams.exe")) << run.out;
    EXPECT_EQ(std::string::npos, run.out.find("Fixed ")) << run.out;
    EXPECT_EQ(std::string::npos, run.out.find("Backup written")) << run.out;
    EXPECT_NE(std::string::npos, run.err.find("Backup written to " + folder + "\\")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("Fixed 1 of 1 issues, 0 excluded\n")) << run.err;
    const auto backups = [&] { return platform::Os().ListFolder(folder + "\\*_backup.reg"); };
    ASSERT_EQ(1u, backups().size());
    DeleteFileA((folder + "\\" + backups()[0].name).c_str());

    run = RunCliCapturing("fix --category 10 --backup-dir " + folder);
    EXPECT_EQ(0u, run.status) << run.err;
    EXPECT_EQ("Fixed 0 of 0 issues, 0 excluded\n", run.out);
    EXPECT_TRUE(backups().empty()) << "no backup of nothing";

    run = RunCliCapturing("backups --backup-dir " + folder + "\\missing");
    EXPECT_EQ(2u, run.status);
    EXPECT_EQ("mendrake-cli: no such folder: " + folder + "\\missing\n", run.err);
    EXPECT_EQ("", run.out);
}

TEST(ConsoleScan, RejectsBadArgumentsWithStatus2AndTheUsageOnStandardError) {
    // A group (1) has no scanner, and no category 17 exists.
    for (const char* arguments : {"scan --category 17", "scan --category 1", "scan --bogus", ""}) {
        const CliRun run = RunCliCaptured(arguments);
        EXPECT_EQ(2u, run.status) << arguments;
        EXPECT_NE(std::string::npos, run.err.find("usage: mendrake-cli scan")) << run.err;
        EXPECT_EQ("", run.out) << arguments;
    }
}

TEST(ConsoleScan, HelpGoesToStandardOutputAndVersionNamesTheFileVersion) {
    for (const char* arguments : {"--help", "-h", "/?", "scan --category 3 -h"}) {
        const CliRun run = RunCliCaptured(arguments);
        EXPECT_EQ(0u, run.status) << arguments;
        EXPECT_EQ(0u, run.out.find("usage: mendrake-cli scan")) << arguments << ": " << run.out;
        EXPECT_NE(std::string::npos, run.out.find("exit status of scan, fix and restore"))
            << arguments << ": " << run.out;
        EXPECT_EQ("", run.err) << arguments;
    }
    const CliRun version = RunCliCaptured("--version");
    EXPECT_EQ(0u, version.status);
    EXPECT_EQ("mendrake-cli 2.0.0.0\r\n", version.out);
}

// The log on standard output holds exactly the bytes of a log file: CR LF line ends, never
// CR CR LF, and the same issue blocks.
TEST(ConsoleScan, TheLogOnStandardOutputIsTheLogFilesBytes) {
    const std::string dir = test::ScenarioDir("run-keys");
    test::PlantedFiles files(test::ReadHostFile(dir + "/files.txt"), dir);
    test::PlantedRegistry registry(test::ReadHostFile(dir + "/registry.reg"));
    const CliRun run = RunCliCaptured("scan --category 10");
    ASSERT_EQ(3u, run.status) << run.err;
    EXPECT_EQ(std::string::npos, run.out.find("\r\r"));
    for (std::size_t at = run.out.find('\n'); at != std::string::npos;
         at = run.out.find('\n', at + 1)) {
        ASSERT_TRUE(at > 0 && run.out[at - 1] == '\r') << "bare LF at " << at;
    }
    const std::size_t items = run.out.find("ITEMS:\r\n\r\n");
    ASSERT_NE(std::string::npos, items);
    EXPECT_EQ(test::Blocks(test::Scan({10})), run.out.substr(items + 10));
}

// The usual way to throw a file away on Windows is a device: NUL takes the log and the scan
// ends as usual (3 when the prefix holds shared-DLL issues of its own).
TEST(ConsoleScan, ALogWrittenToTheNulDeviceSucceeds) {
    const DWORD expected = test::Scan({3}).empty() ? 0u : 3u;
    const CliRun run = RunCliCaptured("scan --category 3 --log NUL");
    EXPECT_EQ(expected, run.status) << run.err;
    EXPECT_EQ(std::string::npos, run.err.find("Cannot write")) << run.err;
}

// The window asks for the highest rights its user holds, the console program for none beyond
// the invoking user's: read from the manifests the programs carry.
TEST(ProgramManifests, TheWindowAsksForTheHighestRightsTheConsoleForTheInvokers) {
    const struct {
        const char* program;
        const char* level;
    } cases[] = {{"mendrake.exe", "level=\"highestAvailable\""},
                 {"mendrake-cli.exe", "level=\"asInvoker\""}};
    for (const auto& c : cases) {
        const std::string path = platform::Os().ProgramFolder() + "..\\" + c.program;
        HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, module) << path << ": error " << GetLastError();
        HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
        std::string manifest;
        if (info != nullptr) {
            const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, info)));
            manifest.assign(bytes, SizeofResource(module, info));
        }
        FreeLibrary(module);
        EXPECT_NE(std::string::npos, manifest.find(c.level)) << c.program << ":\n" << manifest;
    }
}

// A shared-DLL count of 8 bytes used to end the whole analysis ("Failed to get data for ...")
// with no log; now the scan completes and the log holds every category's findings.
TEST(ConsoleScan, MalformedNumberDoesNotSinkTheAnalysis) {
    const std::string log = "C:\\MendrakeTest\\cli\\malformed.log";
    test::PlantedFiles files;
    files.AddFolder("C:\\MendrakeTest\\cli\\");
    files.AddFile(log);
    const std::string shared =
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls]\r\n";
    test::PlantedRegistry registry(
        "REGEDIT4\r\n\r\n" + shared +
        "\"WindowsInstaller\"=dword:00000001\r\n"
        "\"C:\\\\MendrakeGone\\\\eight.dll\"=hex(4):01,00,00,00,00,00,00,00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
        "\"MendrakeGone\"=\"C:\\\\MendrakeGone\\\\run.exe\"\r\n\r\n");
    ASSERT_EQ(3u, RunCli("scan --category 3 --category 10 --log " + log));
    const std::string written = FileBytes(log);
    EXPECT_NE(std::string::npos, written.find("C:\\MendrakeGone\\eight.dll")) << written;
    EXPECT_NE(std::string::npos, written.find("C:\\MendrakeGone\\run.exe")) << written;
}

} // namespace
} // namespace mendrake
