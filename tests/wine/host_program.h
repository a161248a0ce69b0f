// Programs of the Linux host started from inside Wine, for fixtures that only the host can
// make (Unix symbolic links, entries of the prefix's dosdevices folder).
#pragma once

#include <windows.h>

#include <string>

namespace mendrake::test {

// Starts a program of the Linux host from inside Wine (Wine execs Unix programs itself) in
// `folder`. Wine gives no usable process handle for it, so the caller polls for the result.
inline bool StartHostProgram(const std::string& program, std::string commandLine,
                             const std::string& folder) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process)) {
        return false;
    }
    if (process.hThread != nullptr) {
        CloseHandle(process.hThread);
    }
    if (process.hProcess != nullptr) {
        CloseHandle(process.hProcess);
    }
    return true;
}

// Polls until `path` exists (or no longer does), for at most ten seconds.
inline bool AwaitPath(const std::string& path, bool exists) {
    for (int tries = 0; tries < 500; ++tries) {
        if ((GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) == exists) {
            return true;
        }
        Sleep(20);
    }
    return false;
}

} // namespace mendrake::test
