// Real classes data of two Windows machines (the per-user classes hives of
// ../shared/data/derived-reg-exports), planted where they came from, HKCU\Software\Classes, in
// the Wine prefix: one analysis finds everything, one fix of everything leaves nothing for the
// next analysis, and the registry editor's import of the backup gives back every key and value.
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "repair/fix.h"
#include "tests/support/derived_exports.h"
#include "tests/support/fixtures.h"
#include "tests/support/registry_snapshot.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>

namespace mendrake::test {
namespace {

using platform::RegChange;

const std::vector<std::int32_t> kClassCategories = {4, 5, 6, 11, 15};
const std::string kUserClasses = "Software\\Classes";
constexpr std::size_t kLongestPath = 250;

std::string CountsByCategory(const std::vector<TItem>& issues) {
    std::map<std::int32_t, std::size_t> counts;
    for (const TItem& issue : issues) {
        ++counts[issue.Category];
    }
    std::string text;
    for (const auto& [category, count] : counts) {
        text += ' ';
        text += std::to_string(category);
        text += ':';
        text += std::to_string(count);
    }
    return text.empty() ? " none" : text;
}

std::size_t DependentCount(const std::vector<TItem>& issues) {
    std::size_t count = 0;
    for (const TItem& issue : issues) {
        count += issue.DependsOn.empty() ? 0 : 1;
    }
    return count;
}

TEST(RealClasses, OneAnalysisFindsAllAndOneFixConverges) {
    for (const char* name : {"greendale_studentpc8_UsrClass.dat.reg", "regipy_UsrClass.dat.reg"}) {
        SCOPED_TRACE(name);
        const std::vector<TItem> before = Scan(kClassCategories);
        std::vector<RegChange> changes = platform::ParseRegText(
            EscapeRawStrings(ReadHostFile(std::string(MENDRAKE_DERIVED_EXPORTS) + "/" + name)));
        std::size_t leftOut = 0;
        for (RegChange& change : changes) {
            change.root = platform::kCurrentUser;
            change.path = kUserClasses + (change.path.empty() ? "" : "\\" + change.path);
        }
        // A few package keys are deeper than one ANSI path can name from the root: the planting
        // helper creates keys by their whole path, so those are left out.
        std::erase_if(changes, [&](const RegChange& change) {
            const bool tooDeep = change.path.size() > kLongestPath;
            leftOut += tooDeep ? 1 : 0;
            return tooDeep;
        });
        PlantedRegistry planted;
        planted.Apply(changes);
        const Snapshot whole = TakeSnapshot(platform::kCurrentUser, kUserClasses);

        const std::vector<TItem> found = Added(before, Scan(kClassCategories));
        std::printf(
            "%s: %zu changes planted (%zu too deep left out); %zu findings (%zu dependent), "
            "by category:%s\n",
            name, changes.size(), leftOut, found.size(), DependentCount(found),
            CountsByCategory(found).c_str());
        EXPECT_FALSE(found.empty());

        char folder[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, folder);
        const std::string backup = std::string(folder) + "mendrake_real_classes.reg";
        DeleteFileA(backup.c_str());
        const FixResult fixed = FixIssues(found, backup);
        ASSERT_TRUE(fixed.backupPath.has_value());
        std::string left;
        for (const NotFixed& notFixed : fixed.notFixed) {
            left += found[notFixed.index].KeyText + ": " + notFixed.reason + "\n";
        }
        EXPECT_EQ("", left) << "every finding can be backed up";
        for (const TItem& issue : found) {
            EXPECT_FALSE(IssueEntryPresent(issue)) << issue.KeyText << " \"" << issue.Value << "\"";
        }

        const std::vector<TItem> again = Added(before, Scan(kClassCategories));
        std::printf("%s: after one fix: %zu findings, by category:%s\n", name, again.size(),
                    CountsByCategory(again).c_str());
        EXPECT_EQ("", Blocks(again)) << "the fix caused no new finding";

        // Wine's registry editor imports the backup: every key and value comes back.
        const std::string command = "regedit.exe /S \"" + *fixed.backupPath + "\"";
        ASSERT_EQ(0, std::system(command.c_str()));
        EXPECT_EQ("", Differences(whole, TakeSnapshot(platform::kCurrentUser, kUserClasses)));
        EXPECT_EQ(Blocks(found), Blocks(Added(before, Scan(kClassCategories))));
        DeleteFileA(fixed.backupPath->c_str());
    }
}

} // namespace
} // namespace mendrake::test
