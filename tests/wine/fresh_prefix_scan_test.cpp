// A full analysis of the Wine prefix the tests run in: every scanner completes on a real
// registry, and what it reports is printed for review. A fresh prefix holds a few issues by
// the rules (empty software keys Wine creates; Wine's bitmap fonts registered by bare name but
// kept in Wine's own folder, not in the prefix's Fonts folder); anything else is a false
// positive.
#include "engine/issue_model.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <iostream>
#include <map>

namespace mendrake {
namespace {

TEST(FreshPrefixScan, EveryCategoryCompletesAndItsFindingsArePrinted) {
    std::vector<TItem> found;
    ASSERT_NO_THROW(found = test::Scan({3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16, 13, 14}));
    std::map<std::int32_t, int> perCategory;
    for (const TItem& item : found) {
        ++perCategory[item.Category];
        std::cout << item.Category << "," << item.Kind << "  " << item.Problem << "  " << item.Data
                  << "  [" << item.KeyText << "]  {" << item.ValueData << "}\n";
    }
    for (const auto& [category, count] : perCategory) {
        std::cout << "category " << category << ": " << count << " issue(s)\n";
    }
    // Everything the prefix registers for these exists, so any finding is a false positive.
    for (std::int32_t category : {3, 5, 9, 10, 12}) {
        EXPECT_EQ(0, perCategory[category]) << "category " << category;
    }
    for (const TItem& item : found) {
        // Wine's verbs and App Paths all name programs that start; only empty software keys
        // (kinds 2 and 3) are expected among the applications.
        if (item.Category == 6) {
            EXPECT_GE(item.Kind, 2) << item.Data << " in " << item.KeyText;
        }
        // Fonts registered with a full path (Wine's host fonts on Z:) exist where they point;
        // only bare names of fonts Wine keeps outside the prefix can be missing.
        if (item.Category == 7) {
            EXPECT_EQ(std::string::npos, item.ValueData.find(':')) << item.ValueData;
        }
    }
}

} // namespace
} // namespace mendrake
