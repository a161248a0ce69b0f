// mendrake-cli.exe end to end: started as its own process on a planted fixture.
#include "engine/issue_model.h"
#include "platform/platform.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <windows.h>

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
    ASSERT_EQ(0u, RunCli("scan --category 3 --category 10 --log " + log));
    HANDLE file =
        CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string written(1 << 20, '\0');
    DWORD read = 0;
    ReadFile(file, written.data(), static_cast<DWORD>(written.size()), &read, nullptr);
    CloseHandle(file);
    written.resize(read);
    EXPECT_NE(std::string::npos, written.find("C:\\MendrakeGone\\eight.dll")) << written;
    EXPECT_NE(std::string::npos, written.find("C:\\MendrakeGone\\run.exe")) << written;
}

TEST(ConsoleScan, RejectsBadArgumentsWithStatus2) {
    EXPECT_EQ(2u, RunCli("scan --category 17"));
    EXPECT_EQ(2u, RunCli("scan --category 1")); // a group has no scanner
    EXPECT_EQ(2u, RunCli("scan --bogus"));
    EXPECT_EQ(2u, RunCli(""));
}

} // namespace
} // namespace mendrake
