// What one analysis run knows of its dependent findings (engine/dependent_findings.h): the
// keys reported for deletion so far, and the candidates that are not findings yet. Held by the
// run; the scanners of one run are called one after another, never at once.
#pragma once

#include "engine/issue_model.h"

#include <cstdint>
#include <deque>
#include <string_view>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace mendrake::detail {

struct DependentCandidate {
    TItem finding;
    bool withoutSubkeys = false; // stands only while its key has no subkeys
    std::vector<std::string> dependsOn;
    std::vector<bool> covered; // per entry of dependsOn: it or a key above it is reported
    std::size_t uncovered = 0; // entries of dependsOn not covered yet
    bool settled = false;      // appended, or passed over
};

// One entry of a candidate's dependsOn that waits for a key (itself or one above it).
struct Waiter {
    std::size_t candidate = 0;
    std::size_t target = 0;
};

// A key that may be left empty, looked at once enough keys below it go.
struct LaterCandidate {
    TItem finding;
    std::uint32_t subkeys = 0;
    std::function<bool(const std::string&)> describesOnly;
};

// Hashes text of any string type alike, so that a look-up by a part of a string needs no copy.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        return std::hash<std::string_view>{}(text);
    }
};

// Upper-cased locations (LocationKey), looked up by parts of a location without copies.
using LocationSet = std::unordered_set<std::string, TextHash, std::equal_to<>>;

// Each candidate is looked at when a key it waits for is reported, never on every pass: an
// analysis notes thousands of references that never come to depend on anything removed.
struct DependenceBook {
    // LocationKey of each key reported for deletion.
    LocationSet removed;
    // In the order they were noted; a deque, as thousands are noted and none ever moves.
    std::deque<DependentCandidate> candidates;
    // LocationKey of a key -> the entries of dependsOn that its report covers (the key's own
    // and those of keys below it).
    std::unordered_map<std::string, std::vector<Waiter>, TextHash, std::equal_to<>> waiting;
    std::vector<std::size_t> ready; // candidates whose every entry is covered, not appended yet
    std::unordered_map<std::string, LaterCandidate> later;       // by LocationKey
    std::unordered_map<std::string, std::uint32_t> removedBelow; // direct subkeys reported
};

} // namespace mendrake::detail
