// The per-category split of the scan and of the floor, so that a regression names its place.
// The floor walks the classes root once for the four checks that read it, so those categories
// are one row on both sides.
#pragma once

#include "bench/bench.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mendrake::bench {

// The row a category's calls go to: its own name, or the classes-root group.
std::string ShareOf(std::int32_t category);

// Calls made between two readings of the same counters.
test::CallCounts CallsBetween(const test::CallCounts& before, const test::CallCounts& after);

// Adds `ms` and `calls` to the share named `name` of `shares`, appending it the first time.
void AddToShare(std::vector<Share>& shares, const std::string& name, double ms,
                const test::CallCounts& calls);

// One line per row: the scan's time and calls beside the floor's for the same keys.
void PrintShares(const SplitRun& scan, const SplitRun& floor);

} // namespace mendrake::bench
