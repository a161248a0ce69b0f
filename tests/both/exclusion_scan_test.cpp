// Exclusion entries against the scanners on the platform of the build (natively the memory
// platform, under Wine the prefix's registry and files): what an entry covers never reaches
// Issues, and everything else still does.
#include "engine/algorithm_unit.h"
#include "engine/exclusion_list.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace mendrake::test {
namespace {

struct ScanResult {
    std::vector<TItem> issues;
    std::size_t excluded = 0;
};

ScanResult ScanExcluding(const std::vector<std::string>& entries,
                         const std::vector<std::int32_t>& categories) {
    ScanResult result;
    Issues.clear();
    AnalysisRun run(Issues, entries);
    for (std::int32_t category : categories) {
        RunScanner(category, run);
    }
    result.issues = std::move(Issues);
    Issues.clear();
    result.excluded = run.Excluded();
    return result;
}

std::vector<std::int32_t> Categories(const std::string& dir) {
    std::vector<std::int32_t> categories;
    std::istringstream ids(ReadHostFile(dir + "/categories.txt"));
    for (std::int32_t id = 0; ids >> id;) {
        categories.push_back(id);
    }
    return categories;
}

std::vector<TItem> Without(std::vector<TItem> issues, const std::vector<std::string>& values) {
    std::erase_if(issues, [&](const TItem& issue) {
        return std::find(values.begin(), values.end(), issue.Value) != values.end();
    });
    return issues;
}

const std::string kUserRun = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

TEST(ExcludedScan, CoveredEntriesAreLeftOutAndCountedAndTheirNeighboursStay) {
    struct Case {
        std::string scenario;
        std::vector<std::string> entries;
        std::vector<std::string> gone; // the Value of each planted finding that is excluded
    };
    const std::vector<Case> cases = {
        {"run-keys", {kUserRun + "\\Mendrake B Args"}, {"Mendrake B Args"}},
        // letter case and a trailing backslash; the neighbour key RunOnceEx stays
        {"run-keys",
         {"hklm\\software\\microsoft\\windows\\currentversion\\runonce\\"},
         {"Mendrake Machine Once"}},
        // a key excludes its whole subtree
        {"run-keys",
         {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion"},
         {"Mendrake A Quoted", "Mendrake B Args", "Mendrake E Env", "Mendrake K Quoted Prefix",
          "Mendrake N Bare Prefix", "Mendrake Once", "Mendrake OnceEx"}},
        {"run-keys", {kUserRun + "\\Mendrake", kUserRun + "\\Mendrake A"}, {}},
        {"start-menu-walk", {"c:\\mendraketest\\SM\\user\\gone.LNK"}, {"Gone.lnk"}},
        {"start-menu-walk", {"C:\\MendrakeTest\\sm\\user\\Programs"}, {"Deep.lnk"}},
        {"start-menu-walk", {"C:\\MendrakeTest\\sm\\user\\Gone"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario + " excluding " + testing::PrintToString(c.entries));
        const std::string dir = ScenarioDir(c.scenario);
        const std::vector<std::int32_t> categories = Categories(dir);
        const ScanResult before = ScanExcluding({}, categories);
        const ScanResult beforeExcluding = ScanExcluding(c.entries, categories);
        ScanResult after, afterExcluding;
        {
            PlantedFiles files(ReadHostFile(dir + "/files.txt"), dir);
            PlantedRegistry registry(ReadHostFile(dir + "/registry.reg"));
            after = ScanExcluding({}, categories);
            afterExcluding = ScanExcluding(c.entries, categories);
        }
        const std::vector<TItem> planted = Added(before.issues, after.issues);
        for (const std::string& value : c.gone) {
            EXPECT_EQ(1, std::count_if(planted.begin(), planted.end(),
                                       [&](const TItem& issue) { return issue.Value == value; }))
                << value << " is one of the planted findings";
        }
        EXPECT_EQ(Blocks(Without(planted, c.gone)),
                  Blocks(Added(beforeExcluding.issues, afterExcluding.issues)));
        EXPECT_EQ(c.gone.size(), afterExcluding.excluded - beforeExcluding.excluded);
        EXPECT_EQ(0u, after.excluded);
    }
}

} // namespace
} // namespace mendrake::test
