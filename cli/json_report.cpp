#include "cli/json_report.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cstdio>
#include <string_view>
#include <cstdlib>

namespace mendrake::cli {

std::string IsoLocalTime(const platform::LocalTime& time) {
    const int offset = std::abs(time.utcOffsetMinutes);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", time.year,
                  time.month, time.day, time.hour, time.minute, time.second,
                  time.utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

namespace {

// Whether `text` begins with `prefix` (ASCII letters in any case) followed by `next` or nothing.
bool BeginsWithLevel(std::string_view text, std::string_view prefix, std::string_view next) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    const std::string_view rest = text.substr(prefix.size());
    return rest.empty() || rest.substr(0, next.size()) == next;
}

// The user whose hive ("\<SID>\..." or "\<SID>_Classes\..." below HKEY_USERS) or own Start
// Menu or Desktop (a per-user folder inside the profile) holds the issue; null for the machine's.
const ReportUser* OwnerOf(const TItem& issue, const std::vector<ReportUser>& users) {
    for (const ReportUser& user : users) {
        if (IsFileCategory(issue.Category)) {
            if (issue.Kind == 0 && BeginsWithLevel(issue.KeyText, user.folder, "\\")) {
                return &user;
            }
        } else if (issue.RootKey == platform::kUsers &&
                   (BeginsWithLevel(issue.Key, "\\" + user.sid, "\\") ||
                    BeginsWithLevel(issue.Key, "\\" + user.sid + "_Classes", "\\"))) {
            return &user;
        }
    }
    return nullptr;
}

} // namespace

std::string JsonReport(const ReportHeader& header, const std::vector<TItem>& issues,
                       const std::vector<bool>* fixed) {
    platform::Platform& os = platform::Os();
    const auto utf8 = [&](const std::string& ansi) { return os.Utf8FromAnsi(ansi); };
    // Members keep the order in which they are documented.
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < issues.size(); ++i) {
        const TItem& issue = issues[i];
        nlohmann::ordered_json item = {
            {"category", issue.Category},
            {"kind", issue.Kind},
            {"problem", utf8(issue.Problem)},
            {"data", utf8(issue.Data)},
            {"keyText", utf8(issue.KeyText)},
            {"rootKey", issue.RootKey},
            {"key", utf8(issue.Key)},
            {"value", utf8(issue.Value)},
            {"valueData", utf8(issue.ValueData)},
            {"deleteKey", issue.DeleteKey},
            {"certainty", CertaintyName(CertaintyOf(issue))},
        };
        if (header.users) {
            if (const ReportUser* owner = OwnerOf(issue, *header.users)) {
                item["user"] = utf8(owner->account);
                item["sid"] = owner->sid;
            }
        }
        nlohmann::ordered_json evidence = nlohmann::ordered_json::array();
        for (const TEvidence& tested : issue.Evidence) {
            nlohmann::ordered_json entry = {
                {"tested", tested.Tested}, {"text", utf8(tested.Text)}, {"answer", tested.Answer}};
            if (!tested.Expanded.empty()) {
                entry["expanded"] = utf8(tested.Expanded);
            }
            evidence.push_back(std::move(entry));
        }
        item["evidence"] = std::move(evidence);
        if (!issue.DependsOn.empty()) {
            nlohmann::ordered_json keys = nlohmann::ordered_json::array();
            for (const std::string& key : issue.DependsOn) {
                keys.push_back(utf8(key));
            }
            item["dependsOn"] = std::move(keys);
        }
        if (fixed) {
            item["fixed"] = i < fixed->size() && (*fixed)[i];
        }
        list.push_back(std::move(item));
    }
    nlohmann::ordered_json failures = nlohmann::ordered_json::array();
    for (const CategoryFailure& failure : header.failures) {
        if (failure.sid.empty()) {
            failures.push_back({{"category", failure.category}, {"error", utf8(failure.error)}});
        } else {
            failures.push_back({{"user", utf8(failure.user)},
                                {"sid", failure.sid},
                                {"error", utf8(failure.error)}});
        }
    }
    nlohmann::ordered_json report = {
        {"computer", utf8(header.computer)}, {"generated", IsoLocalTime(header.generated)},
        {"version", utf8(header.version)},   {"administrator", header.administrator},
        {"excluded", header.excluded},       {"failures", std::move(failures)},
    };
    if (header.users) {
        nlohmann::ordered_json users = nlohmann::ordered_json::array();
        for (const ReportUser& user : *header.users) {
            users.push_back({{"user", utf8(user.account)}, {"sid", user.sid}});
        }
        report["users"] = std::move(users);
    }
    report["issues"] = std::move(list);
    // The texts are valid UTF-8 after the conversion; should a code page ever give anything
    // else, the report still comes out whole, with U+FFFD in its place.
    return report.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

} // namespace mendrake::cli
