// The machine-readable report of a scan or a fix: one JSON document in UTF-8.
#pragma once

#include "engine/issue_model.h"
#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mendrake::cli {

// A category whose scanner failed: what it found before stays in the issues. Or, with
// --all-users, a user whose hive could not be read (`category` 0, `user` and `sid` set):
// nothing of it was judged.
struct CategoryFailure {
    std::int32_t category = 0;
    std::string error; // the error's text, in the ANSI code page
    std::string user, sid;
};

// A user an --all-users run covered.
struct ReportUser {
    std::string account; // "DOMAIN\name"
    std::string sid;
    std::string folder; // the profile folder, whose Start Menu and Desktop are that user's
};

struct ReportHeader {
    std::string computer;
    platform::LocalTime generated;
    std::string version;        // the program's FileVersion
    bool administrator = false; // without administrator rights machine-wide keys were skipped
    std::size_t excluded = 0;   // findings the exclusion list kept out of the issues
    std::vector<CategoryFailure> failures;
    // With --all-users: the users covered (reported as "users", and each issue in a user's
    // hive or folders with its "user" and "sid"); absent otherwise.
    std::optional<std::vector<ReportUser>> users;
};

// "yyyy-mm-ddThh:nn:ss+hh:nn", the local time with its offset from UTC.
std::string IsoLocalTime(const platform::LocalTime& time);

// {"computer", "generated", "version", "administrator", "excluded", "failures": [{"category",
// "error"}...], "issues": [...]}, every member always present ("users" only with
// --all-users), each issue with every
// field of TItem but Selected; for a fix, `fixed` tells for each issue whether its entry is
// gone, and each issue carries it as "fixed". The texts are converted from the ANSI code page.
std::string JsonReport(const ReportHeader& header, const std::vector<TItem>& issues,
                       const std::vector<bool>* fixed = nullptr);

} // namespace mendrake::cli
