// mendrake-cli: the scan, its log and the fix from the command line, for scripted use.
#include "cli/arguments.h"
#include "cli/commands.h"

#include "platform/win32/win32_platform.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    mendrake::platform::ComInitialization com;
    mendrake::platform::Win32Platform os;
    mendrake::platform::ScopedOs installed(os);

    std::vector<std::string> args(argv + 1, argv + argc);
    mendrake::cli::Arguments parsed;
    try {
        parsed = mendrake::cli::ParseArguments(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mendrake-cli: %s\n%s", e.what(), mendrake::cli::kUsage);
        return 2;
    }
    try {
        return mendrake::cli::RunCommand(parsed);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mendrake-cli: %s\n", e.what());
        return 2;
    }
}
