// The issue list's filter: the shown rows rebuilt from the issue list for a tree selection.
#include "bench/bench.h"

#include "engine/analysis_run.h"
#include "engine/issue_model.h"

#include <algorithm>
#include <iterator>

namespace mendrake::bench {

namespace {

// What a tree selection does to the list: the positions of the issues that the node shows.
void RebuildShown(const TLevel& level, std::vector<std::int32_t>& shown) {
    shown.clear();
    for (std::size_t i = 0; i < Issues.size(); ++i) {
        if (CategoryShows(level, Issues[i])) {
            shown.push_back(static_cast<std::int32_t>(i));
        }
    }
}

} // namespace

FilterTimes FilterBenchmark(std::size_t count) {
    const std::int32_t categories[] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16, 13, 14};
    Issues.clear();
    Issues.reserve(count);
    AnalysisRun run;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t category = categories[i % std::size(categories)];
        AppendIssue(run, category, 0, "COM Issue", "C:\\Program Files\\Gone\\lib.dll",
                    "HKCR\\CLSID\\{00000000-0000-0000-0000-000000000000}", 0x80000000u,
                    "\\CLSID\\{00000000-0000-0000-0000-000000000000}", "", "", true);
    }
    std::vector<std::int32_t> shown;
    shown.reserve(count);
    std::vector<const TLevel*> nodes = {&RootLevel};
    for (const TLevel& level : Levels) {
        nodes.push_back(&level);
    }
    // The median of five rebuilds per node, and the slowest node.
    FilterTimes times;
    for (const TLevel* node : nodes) {
        std::vector<double> rounds;
        for (int round = 0; round < 5; ++round) {
            const double start = NowMs();
            RebuildShown(*node, shown);
            rounds.push_back(NowMs() - start);
        }
        times.worstMs = std::max(times.worstMs, Median(rounds));
    }
    times.bytesPerIssue = sizeof(TItem) + sizeof(std::int32_t);
    Issues.clear();
    Issues.shrink_to_fit();
    return times;
}

} // namespace mendrake::bench
