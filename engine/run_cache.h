// What one analysis run remembers while an ExistenceCacheScope lives, besides the existence of
// paths: the subkey listing of each registry root, which three scanners walk in turn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mendrake::detail {

// The listing kept for `root` in the current run; nullptr outside a run or before the first.
const std::vector<std::string>* RunListing(std::uint32_t root);
// Keeps a complete listing of `root` for the rest of the run; nothing outside a run.
void KeepRunListing(std::uint32_t root, const std::vector<std::string>& names);

} // namespace mendrake::detail
