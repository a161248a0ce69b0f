#include "tests/support/console_program.h"

#ifdef _WIN32
#include "platform/platform.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace mendrake::test {

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

namespace {

// An inheritable handle to a new file that takes one of the program's standard streams.
HANDLE StreamFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

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
        DWORD status = 0;
        GetExitCodeProcess(process.hProcess, &status);
        run.status = status;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
    run.out = FileBytes(outPath);
    run.err = FileBytes(errPath);
    return run;
}

} // namespace mendrake::test

#else

#include <gtest/gtest.h>

namespace mendrake::test {

std::string FileBytes(const std::string&) {
    return {};
}

CliRun RunProgram(const std::string& name, const std::string&) {
    ADD_FAILURE() << "cannot start " << name << " outside Windows";
    return {};
}

} // namespace mendrake::test

#endif
