// Which issue locations an exclusion entry covers, and the run's list keeping findings out of
// Issues while they are counted.
#include "engine/exclusion_list.h"

#include "engine/issue_model.h"
#include "platform/memory/memory_platform.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

const std::string kRun = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kPrograms = "C:\\Users\\Ann\\Start Menu\\Programs\\"; // as the walk gives it

TEST(ExclusionCovers, KeysValuesFoldersAndFilesAsTheListShowsThem) {
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    struct Case {
        std::string entry, keyText, value;
        bool covered;
    };
    const std::vector<Case> cases = {
        // a key: its own issues, its values and everything below it
        {kRun, kRun, "", true},
        {kRun, kRun, "Updater", true},
        {"HKCU\\Software", kRun, "Updater", true},
        {"HKCU", kRun, "Updater", true},
        // a value: itself, not its neighbours, nor a value whose name it begins
        {kRun + "\\Updater", kRun, "Updater", true},
        {kRun + "\\Updater", kRun, "Updater Helper", false},
        {kRun + "\\Updater", kRun, "Other", false},
        {kRun + "\\Updater", kRun, "", false},
        // a name is covered whole, never by the beginning of a name
        {kRun, "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "X", false},
        {"HKCU\\Soft", kRun, "Updater", false},
        // letter case and trailing backslashes do not matter; accented letters fold as well
        {"hkcu\\software\\MICROSOFT\\windows\\currentversion\\run\\updater", kRun, "Updater", true},
        {kRun + "\\\\", kRun, "Updater", true},
        {"HKCU\\Software\\Caf\xE9", "HKCU\\Software\\CAF\xC9\\Sub", "", true},
        // the registry editor's root names stand for the abbreviations
        {"HKEY_CURRENT_USER\\Software\\Microsoft", kRun, "Updater", true},
        {"hkey_current_user", kRun, "", true},
        {"HKEY_CURRENT_USERS\\Software", "HKCU\\Software", "", false},
        {"HKEY_LOCAL_MACHINE\\Software", kRun, "Updater", false},
        // folders of the file categories end in a backslash; a shortcut is folder + file name
        {kPrograms + "Old App.lnk", kPrograms, "Old App.lnk", true},
        {kPrograms + "Old App.lnk", kPrograms, "Old App.lnk.bak", false},
        {"c:\\users\\ann\\start menu\\programs", kPrograms, "Old App.lnk", true},
        {"C:\\Users\\Ann\\Start Menu\\Prog", kPrograms, "Old App.lnk", false},
        // a value name may hold backslashes (a path): the parts in front of them count too
        {"HKLM\\SharedDlls\\C:\\Apps", "HKLM\\SharedDlls", "C:\\Apps\\lib.dll", true},
        {"HKLM\\SharedDlls\\C:\\Apps\\lib.dll", "HKLM\\SharedDlls", "C:\\Apps\\lib.dll", true},
        {"HKLM\\SharedDlls\\C:\\App", "HKLM\\SharedDlls", "C:\\Apps\\lib.dll", false},
        // nothing is covered by an entry that names nothing
        {"", kRun, "Updater", false},
        {"\\\\", kRun, "", false},
        {kRun + "\\Updater\\More", kRun, "Updater", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("entry \"" + c.entry + "\", location \"" + c.keyText + "\" + \"" + c.value +
                     "\"");
        EXPECT_EQ(c.covered, ExclusionCovers(c.entry, c.keyText, c.value));
        EXPECT_EQ(c.covered, IsExcluded({"HKLM\\Unrelated", c.entry}, c.keyText, c.value));
    }
    EXPECT_FALSE(IsExcluded({}, kRun, "Updater"));
}

TEST(ExclusionScope, KeepsCoveredFindingsOutOfIssuesAndCountsThem) {
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    Issues.clear();
    const auto appendRun = [](const std::string& value) {
        AppendIssue(10, 0, "Run Issue", "C:\\gone.exe", kRun, 0x80000001u, kRun.substr(4), value,
                    "C:\\gone.exe", false);
    };
    {
        ExclusionScope scope({kRun + "\\B", kPrograms});
        appendRun("A");
        appendRun("B");
        AppendIssue(13, 0, "Start Menu Issue", "Old.lnk", kPrograms, 0x80000002u, kPrograms,
                    "Old.lnk", "", false);
        appendRun("C");
        EXPECT_EQ(2u, ExcludedCount());
    }
    ASSERT_EQ(2u, Issues.size());
    EXPECT_EQ("A", Issues[0].Value);
    EXPECT_EQ("C", Issues[1].Value);
    EXPECT_EQ(2u, ExcludedCount()) << "the count of the run stays after it";

    appendRun("B"); // outside a run nothing is excluded
    EXPECT_EQ(3u, Issues.size());
    {
        ExclusionScope next({});
        EXPECT_EQ(0u, ExcludedCount()) << "a new run counts afresh";
        appendRun("B");
    }
    EXPECT_EQ(4u, Issues.size());
    Issues.clear();
}

} // namespace
} // namespace mendrake
