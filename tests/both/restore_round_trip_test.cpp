// Fix everything a planted machine has gone stale in, with a backup, then restore that backup:
// every registry area the fix touched reads back key by key and value by value as before, and
// every shortcut file is back with its bytes and attributes. Runs on the memory platform and
// under Wine.
#include "engine/issue_model.h"
#include "repair/fix.h"
#include "repair/kept_files.h"
#include "repair/restore.h"
#include "tests/support/fixtures.h"
#include "tests/support/generated_machine.h"
#include "tests/support/registry_snapshot.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace mendrake {
namespace {

const std::vector<std::int32_t> kAllCategories = {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16, 13, 14};
const std::string kBackupFolder = "C:\\MendrakeTest\\restore\\backups\\";

struct FileState {
    std::string bytes;
    std::uint32_t attributes = 0;
};

FileState ReadFileState(const std::string& path) {
    FileState state;
    platform::Os().ReadWholeFile(path, state.bytes);
    state.attributes = platform::Os().FileAttributes(path);
    return state;
}

// The subtrees of every registry issue's key, by root.
std::map<std::uint32_t, test::Snapshot> RegistryAreas(const std::vector<TItem>& issues) {
    std::map<std::uint32_t, test::Snapshot> areas;
    for (const TItem& issue : issues) {
        if (!IsFileCategory(issue.Category)) {
            test::AddToSnapshot(issue.RootKey, issue.Key.substr(1), areas[issue.RootKey]);
        }
    }
    return areas;
}

TEST(RestoreRoundTrip, FixThenRestoreGivesBackTheMachine) {
    const std::vector<TItem> before = test::Scan(kAllCategories);
    const test::GeneratedMachine machine =
        test::GenerateMachine(40, "MdkRst", "C:\\MendrakeTest\\restore\\machine\\");
    test::PlantedFiles files;
    test::PlantedRegistry registry;
    for (const std::string& file : machine.files) {
        files.AddFile(file);
    }
    registry.Apply(machine.registry);
    for (const std::string scenario : {"start-menu-walk", "desktop-walk", "shared-dlls", "fonts",
                                       "type-libraries", "shell-extensions", "sound-events"}) {
        const std::string dir = test::ScenarioDir(scenario);
        if (scenario != "shell-extensions") { // the one without files of its own
            files.Apply(test::ReadHostFile(dir + "/files.txt"), dir);
        }
        registry.Apply(test::ReadHostFile(dir + "/registry.reg"));
    }
    std::vector<TItem> issues = test::Added(before, test::Scan(kAllCategories));
    std::set<std::int32_t> categories;
    std::map<std::string, FileState> shortcuts;
    for (TItem& issue : issues) {
        issue.Selected = 1;
        categories.insert(issue.Category);
        if (IsFileCategory(issue.Category)) {
            shortcuts[issue.Key + issue.Value] = ReadFileState(issue.Key + issue.Value);
        }
    }
    ASSERT_EQ(std::set<std::int32_t>(kAllCategories.begin(), kAllCategories.end()), categories)
        << "stale entries in every category";
    const auto areas = RegistryAreas(issues);

    // The files folder is planted, and the backup once written, so that they go with the test.
    // A backup never replaces a file, so the script itself cannot be planted beforehand.
    const std::string backup = kBackupFolder + "20261210142530_backup.reg";
    files.AddFile(BackupFilesFolder(backup) + kManifestName);
    const FixResult fixed = FixIssues(issues, backup);
    ASSERT_EQ(backup, fixed.backupPath.value_or(""));
    std::string script;
    ASSERT_EQ(0u, platform::Os().ReadWholeFile(backup, script));
    files.AddFile(backup, script);
    for (const TItem& issue : issues) {
        EXPECT_FALSE(IssueEntryPresent(issue)) << issue.Key << " \"" << issue.Value << "\"";
    }

    const RestoreResult result = RestoreBackup(backup);
    std::string failures;
    for (const std::string& failure : result.failures) {
        failures += failure + "\n";
    }
    EXPECT_EQ("", failures);
    EXPECT_EQ(shortcuts.size(), result.files);
    EXPECT_LT(0u, result.keys);
    EXPECT_LT(0u, result.values);
    const auto restored = RegistryAreas(issues);
    for (const auto& [root, snapshot] : areas) {
        EXPECT_EQ("", test::Differences(snapshot, restored.at(root))) << "root " << root;
    }
    for (const auto& [path, state] : shortcuts) {
        const FileState now = ReadFileState(path);
        EXPECT_EQ(state.bytes, now.bytes) << path;
        EXPECT_EQ(state.attributes, now.attributes) << path;
    }
    EXPECT_TRUE(test::Added(before, test::Scan(kAllCategories)).size() == issues.size())
        << "the restored machine shows the same issues again";
}

} // namespace
} // namespace mendrake
