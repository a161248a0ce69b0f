// mendrake-cli: the scan, its log and the fix from the command line, for scripted use.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/console_text.h"
#include "engine/error.h"

#include "platform/win32/win32_platform.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <exception>
#include <string>
#include <vector>

namespace {

// The arguments as the user typed them: read in UTF-16 and converted strictly, since the
// C runtime's ANSI arguments hold a best-fit guess ("Lodz" for "Łódź") wherever the code
// page lacks a character, and such a name would name another entry.
std::vector<std::string> ExactArguments(mendrake::platform::Platform& os) {
    int count = 0;
    std::unique_ptr<LPWSTR, decltype(&LocalFree)> wide(
        CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    if (!wide) {
        throw mendrake::Error("The command line cannot be read.");
    }
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) {
        const wchar_t* argument = wide.get()[i];
        const auto* units = reinterpret_cast<const char16_t*>(argument);
        std::string text;
        if (!os.AnsiFromUtf16Exactly(std::u16string_view(units, wcslen(argument)), text)) {
            throw mendrake::Error("Argument " + std::to_string(i) +
                                  " holds characters this Windows cannot pass on exactly (the "
                                  "ANSI code page lacks them).");
        }
        args.push_back(std::move(text));
    }
    return args;
}

} // namespace

int main() {
    mendrake::platform::ComInitialization com;
    mendrake::platform::Win32Platform os;
    mendrake::platform::ScopedOs installed(os);

    mendrake::cli::Arguments parsed;
    try {
        parsed = mendrake::cli::ParseArguments(ExactArguments(os));
    } catch (const std::exception& e) {
        mendrake::cli::PrintText(stderr, "mendrake-cli: %s\n%s", e.what(), mendrake::cli::kUsage);
        return mendrake::cli::kExitUsage;
    }
    try {
        return mendrake::cli::RunCommand(parsed);
    } catch (const std::exception& e) {
        mendrake::cli::PrintText(stderr, "mendrake-cli: %s\n", e.what());
        return mendrake::cli::kExitUsage;
    }
}
