// mendrake-cli.exe end to end: started as its own process on a planted fixture.
#include "engine/issue_model.h"
#include "platform/platform.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace mendrake {
namespace {

// The bytes of a file, or "" when it can't be read.
std::string FileBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string bytes(1 << 20, '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

// What the console program wrote and how it ended.
struct CliRun {
    DWORD status = 0xFFFFFFFF;
    std::string out, err;
};

// An inheritable handle to a new file that takes one of the program's standard streams.
HANDLE StreamFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Runs a program of the build folder with `arguments`, its standard output and error going
// into files, and gives its exit code and both streams.
CliRun RunProgram(const std::string& name, const std::string& arguments) {
    const std::string exe = platform::Os().ProgramFolder() + "..\\" + name;
    std::string command = "\"" + exe + "\" " + arguments;
    test::PlantedFiles streams;
    streams.AddFolder("C:\\MendrakeTest\\cli-streams\\");
    const std::string outPath = "C:\\MendrakeTest\\cli-streams\\out.txt";
    const std::string errPath = "C:\\MendrakeTest\\cli-streams\\err.txt";
    streams.AddFile(outPath);
    streams.AddFile(errPath);
    HANDLE out = StreamFile(outPath);
    HANDLE err = StreamFile(errPath);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    CliRun run;
    if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        ADD_FAILURE() << "cannot start " << exe << ": error " << GetLastError();
    } else {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &run.status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
    run.out = FileBytes(outPath);
    run.err = FileBytes(errPath);
    return run;
}

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

    ASSERT_EQ(0u, RunCli("scan --category 5 --log " + log));
    const std::vector<TItem> after = test::Scan({5});
    const std::string written = FileBytes(log);
    EXPECT_EQ(0u, written.find("Log file for for: " + platform::Os().ComputerName() + "\r\n"));
    const std::size_t items = written.find("ITEMS:\r\n\r\n");
    ASSERT_NE(std::string::npos, items);
    EXPECT_EQ(test::Blocks(after), written.substr(items + 10));
    EXPECT_EQ(test::WithCrLf(test::ReadHostFile(dir + "/expected.txt")),
              test::Blocks(test::Added(before, after)));
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
    ASSERT_EQ(0u, run.status) << run.err;
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
// ends as usual.
TEST(ConsoleScan, ALogWrittenToTheNulDeviceSucceeds) {
    const CliRun run = RunCliCaptured("scan --category 3 --log NUL");
    EXPECT_EQ(0u, run.status) << run.err;
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

} // namespace
} // namespace mendrake
