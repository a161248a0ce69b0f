// Which findings are ticked: as an analysis leaves them for the user, and after the user ticked
// or unticked some.
#pragma once

#include "engine/issue_model.h"

#include <vector>

namespace mendrake {

// Ticks a new analysis' findings as the user first meets them: each kind as its row of
// ProblemKinds says (inferred kinds that go beyond the categories' first rules start unticked,
// for the user to decide on), then each finding that waits on others as TickDependents does.
// Only the findings from `from` on are ticked anew (those a category just added).
void TickAsFound(std::vector<TItem>& issues, std::size_t from = 0);

// Ticks each reference that waits on other findings (DependsOn) exactly when every finding that
// deletes one of those keys (or a key above it) is ticked; a key the fix leaves empty keeps the
// user's choice only while every key below it that it waits on is ticked. In list order, so
// that a dependent of a dependent follows it.
void TickDependents(std::vector<TItem>& issues);

} // namespace mendrake
