// One analysis for every user of the machine: the machine-wide areas as always, and each user's
// per-user areas in that user's hive.
#pragma once

#include "engine/issue_model.h"
#include "engine/stop_request.h"
#include "engine/user_scope.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mendrake {

// A category whose scanner failed in one user's pass: what it found before stays.
struct CategoryError {
    std::int32_t category = 0;
    std::string error;
};

struct AllUsersFindings {
    std::size_t excluded = 0; // findings the exclusion list kept out
    std::vector<CategoryError> failures;
};

// Runs `categories` once for each of `users` (their hives readable: UserHives), each pass with
// that user's per-user areas, and appends to `found`, in category order: each user's per-user
// findings, and the machine-wide findings that every user's pass made. What the machine holds
// is judged with each user's classes in turn, and a machine entry that one user's registrations
// still answer is no finding. A dependent finding whose key is not reported in the end is left
// out with it. `stop`, when asked, ends the whole analysis (StopRequested passes out).
AllUsersFindings AnalyseAllUsers(const std::vector<UserScope>& users,
                                 const std::vector<std::int32_t>& categories,
                                 const std::vector<std::string>& exclusions,
                                 std::vector<TItem>& found, const StopFlag* stop = nullptr);

} // namespace mendrake
