// The benchmark's parts: planting the generated machine, the timed runs and their call counts.
#pragma once

#include "tests/support/counting_platform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mendrake::bench {

// Milliseconds since an arbitrary start, with sub-millisecond resolution.
double NowMs();

// Writes the generated machine into the registry and the file system of this prefix.
void PlantMachine(int classes, const std::string& base);

// One timed run: wall time and the calls it made.
struct Run {
    double ms = 0;
    test::CallCounts calls;
    std::size_t issues = 0;
};

// One category's (or one group of categories') share of a run.
struct Share {
    std::string name;
    double ms = 0;
    test::CallCounts calls;
};

// A run split by the categories it served, in tree order.
struct SplitRun {
    Run whole;
    std::vector<Share> shares;
};

// The full analysis of all fourteen categories, as the window and the console run it.
SplitRun FullAnalysis();
// The raw walk: the registry calls and existence tests the fourteen checks cannot do without.
SplitRun FloorWalk();
// The registry editor's console tool listing the same roots, as a peer.
Run PeerQuery();

// The fix of `count` ticked issues with a backup, against exporting and deleting the same
// entries with no other work; both on entries planted afresh below a private key.
struct FixTimes {
    double fixMs = 0, rawMs = 0;
    std::uint64_t fixCalls = 0, rawCalls = 0;
};
FixTimes FixBenchmark(int count, const std::string& folder);

// Rebuilding the shown rows from `count` issues for each tree selection.
struct FilterTimes {
    double worstMs = 0;            // the slowest selection
    std::size_t bytesPerIssue = 0; // sizeof(TItem) plus one index entry
};
FilterTimes FilterBenchmark(std::size_t count);

// The window's longest wait for an answer while it runs a full analysis on its worker.
struct WindowTimes {
    double analysisMs = 0;
    long long worstAnswerMs = 0;
    bool timedOut = false; // some message went unanswered for 5 s
    std::size_t issues = 0;
};
WindowTimes WindowBenchmark();

double Median(std::vector<double> values);

} // namespace mendrake::bench
