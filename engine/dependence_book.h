// What one analysis run knows of its dependent findings (engine/dependent_findings.h): the
// keys reported for deletion so far, and the candidates that are not findings yet. Held by the
// run; the scanners of one run are called one after another, never at once.
#pragma once

#include "engine/issue_model.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace mendrake::detail {

struct DependentCandidate {
    TItem finding;
    std::vector<std::string> dependsOn;
};

// A key that may be left empty, looked at once enough keys below it go.
struct LaterCandidate {
    TItem finding;
    std::uint32_t subkeys = 0;
    std::function<bool(const std::string&)> describesOnly;
};

struct DependenceBook {
    std::unordered_set<std::string> removed; // LocationKey of each key reported for deletion
    std::vector<DependentCandidate> candidates;
    std::unordered_map<std::string, LaterCandidate> later;       // by LocationKey
    std::unordered_map<std::string, std::uint32_t> removedBelow; // direct subkeys reported
    bool changed = false; // a removal was noted since the candidates were last looked at
};

} // namespace mendrake::detail
