#include "cli/json_report.h"

#include <nlohmann/json.hpp>

#include <cstdio>
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
        failures.push_back({{"category", failure.category}, {"error", utf8(failure.error)}});
    }
    const nlohmann::ordered_json report = {
        {"computer", utf8(header.computer)}, {"generated", IsoLocalTime(header.generated)},
        {"version", utf8(header.version)},   {"administrator", header.administrator},
        {"excluded", header.excluded},       {"failures", std::move(failures)},
        {"issues", std::move(list)},
    };
    // The texts are valid UTF-8 after the conversion; should a code page ever give anything
    // else, the report still comes out whole, with U+FFFD in its place.
    return report.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

} // namespace mendrake::cli
