// A full analysis of the Wine prefix the tests run in: every scanner completes on a real
// registry, and what it reports is printed for review, view by view. A WoW64 prefix (wine32
// installed beside wine64) holds a populated 32-bit view: some 600 classes below
// HKCR\Wow6432Node\CLSID, 32-bit run keys below HKLM\Software\Wow6432Node, and SysWOW64. A fresh
// prefix holds a few issues by the rules, in either view: empty software keys Wine creates, and
// Wine's bitmap fonts, registered by bare name but kept in Wine's own folder, not in the
// prefix's Fonts folder. Anything else is a false positive.
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <iostream>
#include <map>

namespace mendrake {
namespace {

// Whether an issue names a key of the 32-bit view (the physical Wow6432Node paths).
bool InThirtyTwoBitView(const TItem& item) {
    return UpperCase(item.Key).find("WOW6432NODE") != std::string::npos;
}

std::size_t ThirtyTwoBitClasses() {
    RegistryAccess reg;
    reg.SetRoot(static_cast<std::uint32_t>(platform::kClassesRoot));
    return reg.Open("\\Wow6432Node\\CLSID") ? reg.SubkeyCount() : 0;
}

TEST(FreshPrefixScan, EveryCategoryCompletesAndItsFindingsArePrinted) {
    std::cout << "32-bit classes in this prefix: " << ThirtyTwoBitClasses() << "\n";
    std::vector<TItem> found;
    ASSERT_NO_THROW(found = test::Scan({3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16, 13, 14}));
    std::map<std::int32_t, int> perCategory;
    for (const bool thirtyTwoBit : {false, true}) {
        std::cout << (thirtyTwoBit ? "32-bit view:\n" : "64-bit view and shared keys:\n");
        for (const TItem& item : found) {
            if (InThirtyTwoBitView(item) == thirtyTwoBit) {
                std::cout << "  " << item.Category << "," << item.Kind << "  " << item.Problem
                          << "  " << item.Data << "  [" << item.KeyText << "]  {" << item.ValueData
                          << "}\n";
            }
        }
    }
    for (const TItem& item : found) {
        ++perCategory[item.Category];
    }
    for (const auto& [category, count] : perCategory) {
        std::cout << "category " << category << ": " << count << " issue(s)\n";
    }
    // Everything the prefix registers for these exists, in both views, so any finding is a
    // false positive. Type libraries, shell extension lists and sound schemes of a fresh prefix
    // name files that exist or classes that are registered.
    for (std::int32_t category : {3, 5, 9, 10, 11, 12, 15, 16}) {
        EXPECT_EQ(0, perCategory[category]) << "category " << category;
    }
    for (const TItem& item : found) {
        // Never a container of a view: the 32-bit root, its class list, its software key.
        for (const char* container :
             {"\\WOW6432NODE", "\\WOW6432NODE\\CLSID", "\\SOFTWARE\\WOW6432NODE",
              "\\SOFTWARE\\WOW6432NODE\\CLASSES"}) {
            EXPECT_NE(container, UpperCase(item.Key)) << item.KeyText;
        }
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
