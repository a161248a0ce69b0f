// The console's JSON report against the scan log of the same issues, on the platform of the
// build: every field the same, texts in UTF-8, and the documented members only.
#include "cli/json_report.h"

#include "repair/scan_log.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace mendrake::test {
namespace {

// Parsed keeping the members in document order.
using json = nlohmann::ordered_json;

// The scan log's block of an issue, rebuilt from its JSON object (every issue is ticked).
std::string BlockOf(const json& issue) {
    const auto text = [&](const char* name) { return issue.at(name).get<std::string>(); };
    return "Selected: Yes\r\nIssue: " + std::to_string(issue.at("category").get<int>()) + "," +
           std::to_string(issue.at("kind").get<int>()) + "\r\nuProblem: " + text("problem") +
           "\r\nuData: " + text("data") + "\r\nuKey: " + text("keyText") +
           "\r\nSection: " + std::to_string(issue.at("rootKey").get<std::uint32_t>()) +
           "\r\nKey: " + text("key") + "\r\nValue: " + text("value") +
           "\r\nData: " + text("valueData") +
           "\r\nDelete Key: " + (issue.at("deleteKey").get<bool>() ? "Yes" : "No") + "\r\n\r\n";
}

std::vector<std::string> MemberNames(const json& object) {
    std::vector<std::string> names;
    for (const auto& member : object.items()) {
        names.push_back(member.key());
    }
    return names;
}

const std::vector<std::string> kIssueMembers = {"category",  "kind",      "problem",   "data",
                                                "keyText",   "rootKey",   "key",       "value",
                                                "valueData", "deleteKey", "certainty", "evidence"};

TEST(JsonReport, HoldsTheIssuesOfTheLogFieldByFieldInUtf8) {
    const std::string dir = ScenarioDir("run-keys");
    PlantedFiles files(ReadHostFile(dir + "/files.txt"), dir);
    PlantedRegistry registry(ReadHostFile(dir + "/registry.reg"));
    PlantedRegistry accented("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\"
                             "CurrentVersion\\Run]\n\"Mendrake \xE9t\xE9\"=\"C:\\\\MendrakeTest\\\\"
                             "run\\\\caf\xE9.exe\"\n");
    const std::vector<TItem> issues = Scan({10});
    ASSERT_GE(issues.size(), 10u);

    platform::Platform& os = platform::Os();
    const platform::LocalTime time{2026, 3, 29, 1, 59, 58, -90};
    const std::string log = LogText(issues, "PC", time, ":");
    const std::string report = cli::JsonReport({"PC-\xC9",
                                                time,
                                                "2.0.0.0",
                                                true,
                                                7,
                                                {{5, "Failed to get data for 'caf\xE9'", {}, {}}},
                                                {}},
                                               issues);

    const json parsed = json::parse(report); // throws on text that is not UTF-8
    EXPECT_EQ((std::vector<std::string>{"computer", "generated", "version", "administrator",
                                        "excluded", "failures", "issues"}),
              MemberNames(parsed));
    EXPECT_TRUE(parsed.at("administrator").get<bool>());
    EXPECT_EQ(json::parse(R"([{"category": 5, "error": "Failed to get data for 'caf\u00e9'"}])"),
              parsed.at("failures"));
    EXPECT_EQ("PC-\xC3\x89", parsed.at("computer"));
    EXPECT_EQ("2026-03-29T01:59:58-01:30", parsed.at("generated"));
    EXPECT_EQ("2.0.0.0", parsed.at("version"));
    EXPECT_EQ(7, parsed.at("excluded"));
    ASSERT_EQ(issues.size(), parsed.at("issues").size());
    std::string blocks;
    for (const json& issue : parsed.at("issues")) {
        EXPECT_EQ(kIssueMembers, MemberNames(issue));
        blocks += BlockOf(issue);
    }
    EXPECT_EQ(os.Utf8FromAnsi(log.substr(log.find("ITEMS:\r\n\r\n") + 10)), blocks);
    EXPECT_NE(std::string::npos, report.find("\"Mendrake \xC3\xA9t\xC3\xA9\""));
    EXPECT_NE(std::string::npos, report.find("caf\xC3\xA9.exe"));
    EXPECT_NE(std::string::npos, report.find("\"rootKey\": 2147483649"));
}

TEST(JsonReport, AFixTellsForEachIssueWhetherItsEntryIsGone) {
    std::vector<TItem> issues(3);
    issues[1].DeleteKey = true;
    const std::vector<bool> fixed = {true, false, true};
    const json parsed = json::parse(cli::JsonReport({}, issues, &fixed));
    std::vector<std::string> members = kIssueMembers;
    members.push_back("fixed");
    for (std::size_t i = 0; i < issues.size(); ++i) {
        const json& issue = parsed.at("issues").at(i);
        EXPECT_EQ(members, MemberNames(issue));
        EXPECT_EQ(fixed[i], issue.at("fixed").get<bool>());
        EXPECT_EQ(issues[i].DeleteKey, issue.at("deleteKey").get<bool>());
    }
    // A clean run without administrator rights still says both.
    const json clean = json::parse(cli::JsonReport({}, {}));
    EXPECT_TRUE(clean.at("issues").is_array());
    EXPECT_FALSE(clean.at("administrator").get<bool>());
    EXPECT_TRUE(clean.at("failures").is_array() && clean.at("failures").empty());
}

TEST(JsonReport, TheTimeCarriesItsOffsetFromUtc) {
    struct Case {
        int offset;
        const char* text;
    };
    for (const Case& c :
         {Case{0, "2026-12-10T14:25:30+00:00"}, Case{60, "2026-12-10T14:25:30+01:00"},
          Case{330, "2026-12-10T14:25:30+05:30"}, Case{-300, "2026-12-10T14:25:30-05:00"},
          Case{-570, "2026-12-10T14:25:30-09:30"}}) {
        EXPECT_EQ(c.text, cli::IsoLocalTime({2026, 12, 10, 14, 25, 30, c.offset}));
    }
    EXPECT_EQ("0987-01-02T03:04:05+14:00", cli::IsoLocalTime({987, 1, 2, 3, 4, 5, 840}));
}

} // namespace
} // namespace mendrake::test
