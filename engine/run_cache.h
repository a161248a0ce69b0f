// What one analysis run remembers of the machine: the existence of each path it tested, the
// answer of each volume, and the subkey listing of each registry root, which three scanners
// walk in turn.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace mendrake::detail {

struct RunMemory {
    std::unordered_map<std::string, std::uint32_t> attributes; // exact path text -> attributes
    std::unordered_map<std::string, bool> patterns;            // wildcard searches -> file found
    std::unordered_map<std::uint32_t, std::vector<std::string>> rootListings; // root -> subkeys
    std::unordered_map<std::string, bool> volumes; // upper-cased volume root -> it answers
    // Complete subkey listings that several checks walk, by root and path as opened.
    std::unordered_map<std::string, std::vector<std::string>> keptListings;
};

} // namespace mendrake::detail
