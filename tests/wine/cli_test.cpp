// mendrake-cli.exe end to end: started as its own process on a planted fixture.
#include "engine/exclusion_list.h"
#include "engine/issue_model.h"
#include "platform/platform.h"
#include "platform/win32/handles.h"
#include "settings/exclusion_unit.h"
#include "settings/version_unit.h"
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

// Runs the console program with `arguments` and gives its exit code.
DWORD RunCli(const std::string& arguments) {
    const std::string exe = platform::Os().ProgramFolder() + "..\\mendrake-cli.exe";
    std::string command = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        ADD_FAILURE() << "cannot start " << exe << ": error " << GetLastError();
        return 0xFFFFFFFF;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
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

    ASSERT_EQ(0u, RunCli("scan --category 5 --log " + log));
    const std::vector<TItem> after = test::Scan({5});
    const std::string written = [&] {
        HANDLE file = CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        std::string bytes(1 << 20, '\0');
        DWORD read = 0;
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(file);
        bytes.resize(read);
        return bytes;
    }();
    EXPECT_EQ(0u, written.find("Log file for for: " + platform::Os().ComputerName() + "\r\n"));
    const std::size_t items = written.find("ITEMS:\r\n\r\n");
    ASSERT_NE(std::string::npos, items);
    EXPECT_EQ(test::Blocks(after), written.substr(items + 10));
    EXPECT_EQ(test::WithCrLf(test::ReadHostFile(dir + "/expected.txt")),
              test::Blocks(test::Added(before, after)));
}

TEST(ConsoleScan, RejectsBadArgumentsWithStatus2) {
    for (const char* arguments :
         {"scan --category 17", "scan --category 1", "scan --bogus", "", "scan --format xml",
          "scan --exclude", "fix --exclude \"\"", "exclude", "exclude add", "exclude remove",
          "exclude list more", "exclude drop x", "exclude add a b"}) {
        EXPECT_EQ(2u, RunCli(arguments)) << arguments;
    }
}

// What the program wrote, with the CR LF that the console's text mode may add read as LF.
struct CliRun {
    DWORD code = 0xFFFFFFFF;
    std::string out, err;
};

std::string ReadAndRemove(const std::string& path) {
    std::string bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
            bytes.append(buffer, n);
        }
        std::fclose(file);
    }
    DeleteFileA(path.c_str());
    std::erase(bytes, '\r');
    return bytes;
}

// Runs the console program with standard output and standard error each going to a file.
CliRun RunCliCapturing(const std::string& arguments) {
    const std::string exe = platform::Os().ProgramFolder() + "..\\mendrake-cli.exe";
    const std::string outPath = "C:\\MendrakeTest\\cli-out.txt";
    const std::string errPath = "C:\\MendrakeTest\\cli-err.txt";
    CreateDirectoryA("C:\\MendrakeTest", nullptr);
    CliRun run;
    {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        const auto create = [&](const std::string& path) {
            return platform::FileHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                    &inherit, CREATE_ALWAYS, 0, nullptr));
        };
        platform::FileHandle out = create(outPath), err = create(errPath);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out.get();
        startup.hStdError = err.get();
        PROCESS_INFORMATION process{};
        std::string command = "\"" + exe + "\" " + arguments;
        if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                            nullptr, &startup, &process)) {
            ADD_FAILURE() << "cannot start " << exe << ": error " << GetLastError();
            return run;
        }
        platform::FileHandle processHandle(process.hProcess), threadHandle(process.hThread);
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &run.code);
    }
    run.out = ReadAndRemove(outPath);
    run.err = ReadAndRemove(errPath);
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
    const std::string shortcut = "C:\\Users\\Public\\Desktop\\Caf\xE9.lnk";
    EXPECT_EQ("", RunCliCapturing("exclude list").out);

    CliRun run = RunCliCapturing("exclude add " + Quoted(vendor));
    EXPECT_EQ(0u, run.code) << run.err;
    EXPECT_EQ("Excluded " + vendor + "\n", run.out);
    run = RunCliCapturing("exclude add " + Quoted("hklm\\software\\VENDOR\\"));
    EXPECT_EQ(0u, run.code) << run.err;
    EXPECT_EQ("Already excluded: hklm\\software\\VENDOR\\\n", run.out);
    EXPECT_EQ(0u, RunCliCapturing("exclude add " + Quoted(shortcut)).code);

    run = RunCliCapturing("exclude list");
    EXPECT_EQ(0u, run.code) << run.err;
    EXPECT_EQ(vendor + "\n" + shortcut + "\n", run.out);
    EXPECT_EQ((std::vector<std::string>{vendor, shortcut}), Exclusions());

    run = RunCliCapturing("exclude remove " + Quoted(vendor));
    EXPECT_EQ(0u, run.code) << run.err;
    run = RunCliCapturing("exclude remove " + Quoted(vendor));
    EXPECT_EQ(1u, run.code);
    EXPECT_EQ("mendrake-cli: not in the exclusion list: " + vendor + "\n", run.err);
    EXPECT_EQ(shortcut + "\n", RunCliCapturing("exclude list").out);

    test::PutSetting("exclude", platform::kRegSz, vendor + '\0');
    for (const char* arguments : {"exclude list", "exclude add x", "exclude remove x"}) {
        run = RunCliCapturing(arguments);
        EXPECT_EQ(2u, run.code) << arguments;
        EXPECT_EQ("mendrake-cli: Invalid data type for 'exclude'\n", run.err) << arguments;
    }
    EXPECT_EQ(platform::kRegSz, test::StoredSetting("exclude")->type) << "left as it was";
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
    ASSERT_EQ(0u, run.code) << run.err;
    EXPECT_EQ("", run.err);
    const nlohmann::json report = nlohmann::json::parse(run.out);
    std::size_t excluded = 0;
    std::vector<TItem> expected;
    {
        ExclusionScope scope({kUserRun + "\\Mendrake B Args", kMachineRunOnce});
        expected = test::Scan({10});
        excluded = ExcludedCount();
    }
    EXPECT_EQ(ValuesOf(expected), ReportedValues(report));
    EXPECT_EQ(excluded, report.at("excluded").get<std::size_t>());
    EXPECT_GE(excluded, 2u);
    EXPECT_FALSE(Has(ReportedValues(report), "Mendrake B Args"));
    EXPECT_FALSE(Has(ReportedValues(report), "Mendrake Machine Once"));
    EXPECT_TRUE(Has(ReportedValues(report), "Mendrake A Quoted"));
    EXPECT_EQ(platform::Os().ComputerName(), report.at("computer"));
    EXPECT_EQ(TVersionInfo(platform::Os().ProgramModule()).StringValue("FileVersion"),
              report.at("version"));
    const long long generated = UtcMinutes(report.at("generated").get<std::string>());
    EXPECT_LE(std::llabs(ClockUtcMinutes() - generated), 2) << report.at("generated");

    // --no-exclusions leaves out the stored list, not the run's own entries.
    run = RunCliCapturing("scan --category 10 --format json --no-exclusions" + exclude);
    ASSERT_EQ(0u, run.code) << run.err;
    const std::vector<std::string> values = ReportedValues(nlohmann::json::parse(run.out));
    EXPECT_TRUE(Has(values, "Mendrake B Args"));
    EXPECT_FALSE(Has(values, "Mendrake Machine Once"));

    // A stored value of another type is reported once and the scan goes on without it.
    test::PutSetting("exclude", platform::kRegDword, std::string("\1\0\0\0", 4));
    run = RunCliCapturing("scan --category 10 --format json");
    EXPECT_EQ(0u, run.code);
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
    EXPECT_EQ(0u, run.code) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("Fixed 8 of 8 issues, 1 excluded\n")) << run.err;
    const nlohmann::json report = nlohmann::json::parse(run.out);
    EXPECT_EQ(1, report.at("excluded"));
    ASSERT_EQ(8u, report.at("issues").size());
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

} // namespace
} // namespace mendrake
