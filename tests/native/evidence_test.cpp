// What every finding says of itself: the evidence its check recorded, and how sure the rule of
// its kind is. Every scenario's findings are read here, so a check that forgets its evidence,
// or a problem text the kinds' table does not know, shows.
#include "engine/algorithm_unit.h"
#include "platform/memory/memory_platform.h"
#include "repair/default_ticks.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace mendrake {
namespace {

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every finding of every scenario, each planted on a machine of its own.
std::vector<TItem> ScenarioFindings() {
    std::vector<TItem> all;
    const std::filesystem::path root = test::ScenarioDir("run-keys") + "/..";
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        platform::MemoryPlatform os;
        platform::ScopedOs installed{os};
        const std::string dir = entry.path().string();
        std::vector<std::int32_t> categories;
        std::istringstream ids(FileText(entry.path() / "categories.txt"));
        for (std::int32_t id = 0; ids >> id;) {
            categories.push_back(id);
        }
        test::PlantedFiles files(FileText(entry.path() / "files.txt"), dir);
        test::PlantedRegistry registry(FileText(entry.path() / "registry.reg"));
        for (TItem& item : test::Scan(categories)) {
            all.push_back(std::move(item));
        }
    }
    return all;
}

TEST(Evidence, EveryFindingSaysWhatWasTestedAndHowSureItsKindIs) {
    // The first thing tested by each kind that the scenarios make, and its certainty.
    const std::map<std::string, std::pair<std::string, Certainty>> expected = {
        {"Missing Shared DLL", {kTestedFile, Certainty::Direct}},
        {"Unused File Extension", {kTestedKey, Certainty::Direct}},
        {"COM Issue", {kTestedFile, Certainty::Direct}},
        {"Open with Issue", {kTestedProgram, Certainty::Direct}},
        {"Application Path Issue", {kTestedFile, Certainty::Direct}},
        {"Obsolete Software Key", {kTestedKey, Certainty::Direct}},
        {"Software Key of Removed Program", {kTestedFolder, Certainty::Inferred}},
        {"Font Issue", {kTestedFile, Certainty::Direct}},
        {"Help File Issue", {kTestedFile, Certainty::Direct}},
        {"Installer Reference Issue", {kTestedFolder, Certainty::Direct}},
        {"Uninstaller Reference Issue", {kTestedUninstallEntry, Certainty::Direct}},
        {"Uninstall Entry of Removed Program", {kTestedPath, Certainty::Inferred}},
        {"Run Issue", {kTestedProgram, Certainty::Direct}},
        {"Type Library Issue", {kTestedFile, Certainty::Direct}},
        {"Missing MUI Reference", {kTestedFile, Certainty::Direct}},
        {"Shell Extension Issue", {kTestedRegistration, Certainty::Direct}},
        {"Sound Event Issue", {kTestedFile, Certainty::Direct}},
        {"Start Menu Issue", {kTestedPath, Certainty::Direct}},
        {"Desktop Issue", {kTestedPath, Certainty::Direct}},
    };
    std::set<std::string> seen;
    for (const TItem& item : ScenarioFindings()) {
        SCOPED_TRACE(item.Problem + " | " + item.KeyText);
        ASSERT_NE(nullptr, ProblemKindOf(item)) << "a kind the table does not know";
        ASSERT_FALSE(item.Evidence.empty());
        for (const TEvidence& tested : item.Evidence) {
            EXPECT_FALSE(tested.Tested.empty() || tested.Text.empty() || tested.Answer.empty());
        }
        seen.insert(item.Problem);
        if (const auto kind = expected.find(item.Problem); kind != expected.end()) {
            if (item.Problem == "Type Library Issue" &&
                item.Evidence.front().Tested == kTestedKey) {
                continue; // a library key without a version left
            }
            if (item.Problem == "Open with Issue" && item.Evidence.front().Tested == kTestedKey) {
                continue; // a "Shell" key without verbs
            }
            if (item.Problem == "COM Issue" && item.Kind == 1) {
                EXPECT_EQ(kTestedRegistration, item.Evidence.front().Tested); // a reference
                continue;
            }
            EXPECT_EQ(kind->second.first, item.Evidence.front().Tested);
            EXPECT_EQ(kind->second.second, CertaintyOf(item));
        }
    }
    for (const auto& [problem, kind] : expected) {
        EXPECT_EQ(1u, seen.count(problem)) << problem << " is made by no scenario";
    }
}

class Ticks : public testing::Test {
  protected:
    platform::MemoryPlatform os;
    platform::ScopedOs installed{os};
};

// A dead class, a program id naming it, and a "Shell" key of an application left empty by its
// only verb going: the class and the reference are ticked, the key left empty is not; the
// reference follows the class when the user unticks it.
TEST_F(Ticks, InferredKindsStartUntickedAndReferencesFollowWhatTheyWaitOn) {
    const std::string gone = "{6D6B0001-0000-4000-8000-000000000001}";
    os.PutText(platform::kClassesRoot, "CLSID\\" + gone + "\\InprocServer32", "",
               "C:\\Gone\\gone.dll");
    os.PutText(platform::kClassesRoot, "Mdk.Doc\\CLSID", "", gone);
    os.PutText(platform::kClassesRoot, "Applications\\mdk.exe\\shell\\open\\command", "",
               "C:\\Gone\\mdk.exe \"%1\"");
    std::vector<TItem> found = test::Scan({5, 6});
    TickAsFound(found);
    std::map<std::string, std::int32_t> ticks;
    for (const TItem& item : found) {
        ticks[item.Problem + " | " + item.KeyText] = item.Selected;
    }
    EXPECT_EQ(
        (std::map<std::string, std::int32_t>{
            {"COM Issue | HKCR\\CLSID\\" + gone, 1},
            {"COM Issue (class being removed) | HKCR\\Mdk.Doc\\CLSID", 1},
            {"Open with Issue | HKCR\\Applications\\mdk.exe\\shell\\open\\Command", 1},
            {"Open with Issue (left empty by the fix) | HKCR\\Applications\\mdk.exe\\shell", 0},
            {"Open with Issue (left empty by the fix) | HKCR\\Applications\\mdk.exe", 0},
        }),
        ticks);
    found.front().Selected = 0; // the class
    TickDependents(found);
    EXPECT_EQ(0, found[1].Selected) << found[1].Problem;
    found.front().Selected = 1;
    TickDependents(found);
    EXPECT_EQ(1, found[1].Selected) << found[1].Problem;
}

} // namespace
} // namespace mendrake
