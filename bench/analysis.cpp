#include "bench/bench.h"
#include "bench/shares.h"

#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace mendrake::bench {

double NowMs() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

SplitRun FullAnalysis() {
    test::CountingPlatform counting(platform::Os());
    platform::ScopedOs installed(counting);
    SplitRun run;
    const double start = NowMs();
    // As the analysis run does it: the list emptied, then every category with a scanner in
    // tree order, as one run.
    Issues.clear();
    {
        AnalysisRun analysis;
        for (const TLevel& level : Levels) {
            if (level.HasScanner != 0) {
                const test::CallCounts before = counting.counts;
                const double began = NowMs();
                RunScanner(level.Id, analysis);
                AddToShare(run.shares,
                           std::getenv("BENCH_DETAIL") != nullptr ? std::string(level.Name)
                                                                  : ShareOf(level.Id),
                           NowMs() - began, CallsBetween(before, counting.counts));
            }
        }
    }
    run.whole.ms = NowMs() - start;
    run.whole.calls = counting.counts;
    run.whole.issues = Issues.size();
    Issues.clear();
    return run;
}

namespace {

// Runs a console program to its end with its output thrown away; gives its wall time.
double TimedProcess(const std::string& commandLine) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    startup.hStdInput = nullptr;
    PROCESS_INFORMATION process{};
    std::string command = commandLine;
    const double start = NowMs();
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        CloseHandle(nul);
        throw std::runtime_error("cannot start " + commandLine);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    const double elapsed = NowMs() - start;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(nul);
    return elapsed;
}

// The keys the fourteen checks read: the classes tree whole (the 32-bit classes included), the
// lists below them whole in both views where the 32-bit twin is a key of its own, and the
// software roots one level deep (the checks look only at their direct subkeys).
const char* const kPeerQueries[] = {
    "HKCR /s",
    "\"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls\" /s",
    "\"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\" /s",
    "\"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\" /s",
    "\"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\" /s",
    "\"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders\" /s",
    "\"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\" /s",
    "\"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce\" /s",
    "\"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\" /s",
    "\"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce\" /s",
    "\"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts\" /s",
    "\"HKLM\\Software\\Microsoft\\Windows\\Help\" /s",
    "\"HKLM\\Software\\Microsoft\\Windows\\HTML Help\" /s",
    "\"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\" /s",
    "\"HKCU\\Software\\Microsoft\\Windows\\ShellNoRoam\\MuiCache\" /s",
    "\"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers\" "
    "/s",
    "\"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved\" /s",
    "\"HKCU\\AppEvents\\Schemes\\Apps\" /s",
    "HKLM\\Software",
    "HKCU\\Software",
    "\"HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\SharedDlls\" /s",
    "\"HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\" /s",
    "\"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\" /s",
    "\"HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\" /s",
    "\"HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce\" /s",
    "\"HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\Help\" /s",
    "\"HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\HTML Help\" /s",
    "HKLM\\Software\\Wow6432Node",
};

} // namespace

Run PeerQuery() {
    // Each query is its own process; the cost of starting one (a query of a key with nothing
    // below it) is taken off, so that only the walking is compared.
    const std::string reg = "reg.exe query ";
    const double startup = TimedProcess(reg + "\"HKCU\\Software\\MdkBenchEmpty\"");
    Run run;
    for (const char* query : kPeerQueries) {
        run.ms += std::max(0.0, TimedProcess(reg + query) - startup);
    }
    return run;
}

} // namespace mendrake::bench
