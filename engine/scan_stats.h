// Counters of the calls a scan makes, for `mendrake-cli scan --stats` and the benchmark.
#pragma once

#include <cstdint>

namespace mendrake {

struct ScanStats {
    std::uint64_t keysOpened = 0;    // RegOpenKeyExA calls
    std::uint64_t valueQueries = 0;  // RegQueryValueExA calls
    std::uint64_t pathsTested = 0;   // FileFound / FolderFound answers asked for
    std::uint64_t distinctPaths = 0; // existence tests that reached the file system
};

extern ScanStats Stats;

} // namespace mendrake
