// The full analysis of a generated machine: the per-run existence cache changes no issue, and
// the scan counters agree with the calls that reached the platform.
#include "engine/algorithm_unit.h"
#include "repair/fix.h"
#include "engine/issue_model.h"
#include "engine/scan_stats.h"
#include "tests/support/counting_platform.h"
#include "tests/support/fixtures.h"
#include "tests/support/generated_machine.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <set>

namespace mendrake {
namespace {

const std::vector<std::int32_t> kAllCategories = {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16, 13, 14};

class GeneratedMachineScan : public testing::Test {
  protected:
    void SetUp() override {
        const test::GeneratedMachine machine =
            test::GenerateMachine(160, "MdkGen", "C:\\MendrakeTest\\generated\\");
        for (const std::string& file : machine.files) {
            files_.AddFile(file);
        }
        registry_.Apply(machine.registry);
    }

  private:
    test::PlantedFiles files_;
    test::PlantedRegistry registry_;
};

std::vector<TItem> ScanWithoutCache() {
    Issues.clear();
    AnalysisRun run;
    run.RememberNothing();
    for (std::int32_t category : kAllCategories) {
        RunScanner(category, run);
    }
    std::vector<TItem> found = std::move(Issues);
    Issues.clear();
    return found;
}

TEST_F(GeneratedMachineScan, ExistenceCacheChangesNoIssue) {
    Stats = {};
    const std::vector<TItem> uncached = ScanWithoutCache();
    const ScanStats withoutCache = Stats;
    Stats = {};
    const std::vector<TItem> cached = test::Scan(kAllCategories);
    // Both are whole runs, so the dependent findings are the same as well.
    EXPECT_EQ(test::Blocks(uncached), test::Blocks(cached));
    EXPECT_TRUE(std::any_of(cached.begin(), cached.end(),
                            [](const TItem& item) { return !item.DependsOn.empty(); }));
    EXPECT_EQ(withoutCache.pathsTested, withoutCache.distinctPaths);
    EXPECT_EQ(withoutCache.pathsTested, Stats.pathsTested);
    EXPECT_LT(Stats.distinctPaths * 2, Stats.pathsTested) << "the generated DLLs are shared";

    // The generator's stale entries reach every registry category.
    std::set<std::int32_t> categories, thirtyTwoBit;
    for (const TItem& item : cached) {
        if ((item.Data + item.KeyText).find("MdkGen") != std::string::npos ||
            (item.Data + item.KeyText).find("mdkgen") != std::string::npos) {
            categories.insert(item.Category);
            if (item.Key.find("Wow6432Node") != std::string::npos) {
                thirtyTwoBit.insert(item.Category);
            }
        }
    }
    EXPECT_EQ((std::set<std::int32_t>{3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16}), categories);
    // And its 32-bit view's stale entries, under their Wow6432Node keys.
    EXPECT_EQ((std::set<std::int32_t>{3, 5, 6, 9, 10}), thirtyTwoBit);
}

// Whether a finding is the generator's (under Wine the prefix reports its own as well).
bool Generated(const TItem& item) {
    const std::string text = item.Data + item.KeyText;
    return text.find("MdkGen") != std::string::npos || text.find("mdkgen") != std::string::npos;
}

TEST_F(GeneratedMachineScan, OneFixOfEverythingLeavesNothingForTheNextAnalysis) {
    std::vector<TItem> found = test::Scan(kAllCategories);
    std::size_t dependent = 0;
    for (TItem& item : found) {
        item.Selected = Generated(item) ? 1 : 0;
        dependent += item.Selected != 0 && !item.DependsOn.empty() ? 1 : 0;
    }
    EXPECT_LT(0u, dependent) << "the generator's chains give dependent findings";
    DeleteIssues(found);
    std::vector<TItem> again;
    for (const TItem& item : test::Scan(kAllCategories)) {
        if (Generated(item)) {
            again.push_back(item);
        }
    }
    EXPECT_EQ("", test::Blocks(again));
}

TEST_F(GeneratedMachineScan, CountersMatchThePlatformCalls) {
    test::CountingPlatform counting(platform::Os());
    platform::ScopedOs installed(counting);
    Stats = {};
    const std::vector<TItem> found = test::Scan(kAllCategories);
    EXPECT_EQ(counting.counts.openKey, Stats.keysOpened);
    EXPECT_EQ(counting.counts.queryValue, Stats.valueQueries);
    EXPECT_EQ(counting.counts.fileAttributes + counting.counts.findFirst, Stats.distinctPaths);
    EXPECT_FALSE(found.empty());
}

} // namespace
} // namespace mendrake
