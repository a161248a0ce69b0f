// mendrake-bench: plants a Windows-sized registry and times the scan against its floor and a
// peer, the fix against a raw export and delete, and the issue list's filter. bench/run.sh
// runs it pinned to one CPU together with the wine server; see README.md.
#include "bench/bench.h"
#include "bench/shares.h"

#include "platform/win32/win32_platform.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace mendrake::bench {
namespace {

void PrintCalls(const char* what, const test::CallCounts& c) {
    auto n = [](std::uint64_t count) { return static_cast<unsigned long long>(count); };
    std::printf("  %-5s registry %llu: %llu opens, %llu closes, %llu infos, %llu key enums, %llu "
                "value enums, %llu queries, %llu key names\n",
                what, n(c.Registry()), n(c.openKey), n(c.closeKey), n(c.queryInfoKey), n(c.enumKey),
                n(c.enumValue), n(c.queryValue), n(c.keyIdentity));
    std::printf("  %-5s files %llu: %llu attributes, %llu finds, %llu folder lists, %llu "
                "shortcuts\n",
                what, n(c.Files()), n(c.fileAttributes), n(c.findFirst), n(c.listFolder),
                n(c.shortcutTarget));
}

int Measure(int repetitions) {
    std::vector<double> scan, floor, peer;
    SplitRun lastScan, lastFloor;
    std::printf("repetition      scan ms    floor ms     peer ms\n");
    for (int i = 0; i < repetitions; ++i) {
        lastScan = FullAnalysis();
        lastFloor = FloorWalk();
        const Run peerRun = PeerQuery();
        scan.push_back(lastScan.whole.ms);
        floor.push_back(lastFloor.whole.ms);
        peer.push_back(peerRun.ms);
        std::printf("%10d %12.1f %11.1f %11.1f\n", i + 1, lastScan.whole.ms, lastFloor.whole.ms,
                    peerRun.ms);
        std::fflush(stdout);
    }
    const double s = Median(scan), f = Median(floor), p = Median(peer);
    std::printf("median     %12.1f %11.1f %11.1f\n", s, f, p);
    std::printf("calls (the same in every repetition):\n");
    PrintCalls("scan", lastScan.whole.calls);
    PrintCalls("floor", lastFloor.whole.calls);
    std::printf("  scan issues %zu, floor findings %zu\n", lastScan.whole.issues,
                lastFloor.whole.issues);
    PrintShares(lastScan, lastFloor);
    if (std::getenv("BENCH_DETAIL") != nullptr) {
        // Every kind of call of each row, for finding where a row's excess goes.
        for (const Share& share : lastScan.shares) {
            std::printf("%s\n", share.name.c_str());
            PrintCalls("scan", share.calls);
            for (const Share& other : lastFloor.shares) {
                if (other.name == share.name) {
                    PrintCalls("floor", other.calls);
                }
            }
        }
    }
    std::printf("scan/floor = %.2f (target <= 1.10)\n", s / f);
    std::printf("scan/peer  = %.2f (target <= 0.30)\n", s / p);
    return 0;
}

int Fix(int count, const std::string& folder) {
    std::vector<double> fix, raw;
    for (int i = 0; i < 3; ++i) {
        const FixTimes times = FixBenchmark(count, folder);
        fix.push_back(times.fixMs);
        raw.push_back(times.rawMs);
        std::printf("fix of %d issues with backup %.1f ms (%llu registry calls), raw export and "
                    "delete %.1f ms (%llu registry calls)\n",
                    count, times.fixMs, static_cast<unsigned long long>(times.fixCalls),
                    times.rawMs, static_cast<unsigned long long>(times.rawCalls));
        std::fflush(stdout);
    }
    std::printf("fix/raw    = %.2f (target <= 1.30)\n", Median(fix) / Median(raw));
    return 0;
}

int Filter(std::size_t count) {
    const FilterTimes times = FilterBenchmark(count);
    std::printf("filter of %zu issues: slowest tree selection %.2f ms (target < 20), %zu bytes "
                "per issue beyond its strings (target <= 300)\n",
                count, times.worstMs, times.bytesPerIssue);
    return 0;
}

int Window() {
    const WindowTimes times = WindowBenchmark();
    std::printf("window's worst answer during a full analysis: %lld ms%s (target < 100); the "
                "analysis %.1f ms, %zu issues\n",
                times.worstAnswerMs,
                times.timedOut ? ", and a message went unanswered for 5 s" : "", times.analysisMs,
                times.issues);
    return 0;
}

} // namespace
} // namespace mendrake::bench

int main(int argc, char** argv) {
    using namespace mendrake;
    platform::ComInitialization com;
    platform::Win32Platform os;
    platform::ScopedOs installed(os);
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 3 && args[0] == "plant") {
            bench::PlantMachine(std::atoi(args[1].c_str()), args[2]);
            return 0;
        }
        if (args.size() == 2 && args[0] == "measure") {
            return bench::Measure(std::atoi(args[1].c_str()));
        }
        if (args.size() == 2 && (args[0] == "scan" || args[0] == "floor")) {
            // One side alone, for a profiler: its time and calls only.
            for (int i = 0; i < std::atoi(args[1].c_str()); ++i) {
                const bench::SplitRun run =
                    args[0] == "scan" ? bench::FullAnalysis() : bench::FloorWalk();
                std::printf("%s %.1f ms\n", args[0].c_str(), run.whole.ms);
            }
            return 0;
        }
        if (args.size() == 3 && args[0] == "fix") {
            return bench::Fix(std::atoi(args[1].c_str()), args[2]);
        }
        if (args.size() == 1 && args[0] == "window") {
            return bench::Window();
        }
        if (args.size() == 2 && args[0] == "filter") {
            return bench::Filter(static_cast<std::size_t>(std::atoll(args[1].c_str())));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mendrake-bench: %s\n", e.what());
        return 2;
    }
    std::fprintf(
        stderr,
        "usage: mendrake-bench plant CLASSES FOLDER | measure REPETITIONS | scan N | floor N | "
        "fix COUNT FOLDER | filter COUNT | window\n");
    return 2;
}
