// Which issue locations an exclusion entry covers, and the run's list keeping findings out of
// Issues while they are counted.
#include "engine/analysis_run.h"
#include "engine/exclusion_list.h"

#include "engine/issue_model.h"
#include "platform/memory/memory_platform.h"

#include <gtest/gtest.h>

#include <optional>

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
        // a user's hive below HKEY_USERS: by its own entries, and by HKCU's for every user;
        // the user's classes hive as HKCU\Software\Classes and HKCR name the same class
        {"HKU\\S-1-5-21-9-1001\\Software", "HKU\\S-1-5-21-9-1001\\Software\\X", "", true},
        {"HKU\\S-1-5-21-9-1001\\Software", "HKU\\S-1-5-21-9-1002\\Software\\X", "", false},
        {kRun + "\\Updater", "HKU\\S-1-5-21-9-1001\\" + kRun.substr(5), "Updater", true},
        {"HKCU", "HKU\\S-1-5-21-9-1001\\Software", "", true},
        {"HKCU\\Software\\Classes\\CLSID", "HKU\\S-1-5-21-9-1001_Classes\\CLSID\\{x}", "", true},
        {"HKCR\\CLSID\\{x}", "HKU\\S-1-5-21-9-1001_Classes\\CLSID\\{x}", "", true},
        {"HKCU\\Software\\CLSID", "HKU\\S-1-5-21-9-1001_Classes\\CLSID\\{x}", "", false},
        {"HKCU\\Software", "HKU\\.DEFAULT\\Software\\X", "", true},
        {"HKLM\\Software", "HKU\\S-1-5-21-9-1001\\Software", "", false},
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

// What people paste: the registry editor's address bar, its root names, the short names of the
// log; drive and network paths. Anything else could never match and is refused.
TEST(ShortExclusionEntry, PastedFormsBecomeTheShortFormAndUnknownFormsAreRefused) {
    struct Case {
        std::string entry;
        std::optional<std::string> stored;
    };
    const std::vector<Case> cases = {
        {"Computer\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor", "HKLM\\SOFTWARE\\Vendor"},
        {"computer\\hkey_current_user\\Software\\", "HKCU\\Software"},
        {"Computer\\HKCR\\.txt", "HKCR\\.txt"},
        {"HKEY_CLASSES_ROOT", "HKCR"},
        {"hklm\\Software", "HKLM\\Software"},
        {"HKCU\\Software\\Run\\My Value", "HKCU\\Software\\Run\\My Value"},
        {"C:\\Users\\Ann\\Desktop\\Old.lnk", "C:\\Users\\Ann\\Desktop\\Old.lnk"},
        {"d:\\", "d:"},
        {"\\\\server\\share\\App", "\\\\server\\share\\App"},
        {"\\\\server\\share", "\\\\server\\share"},
        // another user's hive, as --all-users names its findings
        {"Computer\\HKEY_USERS\\S-1-5-21-1-2-3-1001\\Software\\Vendor",
         "HKU\\S-1-5-21-1-2-3-1001\\Software\\Vendor"},
        // neither a known root nor a drive or share
        {"Vendor", std::nullopt},
        {"Software\\Vendor", std::nullopt},
        {"HKEY_USERSS-1-5-18", std::nullopt},
        {"HKLMSoftware", std::nullopt},
        {"Computer", std::nullopt},
        {"Computer\\", std::nullopt},
        {"Computer\\Vendor", std::nullopt},
        {"C:relative.dll", std::nullopt},
        {"1:\\x", std::nullopt},
        {"\\\\server", std::nullopt},
        {"\\\\?\\C:\\x", std::nullopt},
        {"\\\\.\\pipe\\x", std::nullopt},
        {"%ProgramFiles%\\App", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("entry \"" + c.entry + "\"");
        EXPECT_EQ(c.stored, ShortExclusionEntry(c.entry));
    }
}

// Names compare as the registry and the file system compare them, whatever the user's locale:
// under Turkish casing "MICROSOFT" still names "Microsoft" (the locale's own comparison pairs
// "I" with the dotless small letter only).
TEST(ExclusionCovers, LetterCaseIsComparedOrdinallyUnderATurkishLocale) {
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    os.turkishCasing = true;
    ASSERT_FALSE(os.EqualTextIgnoreCase("MICROSOFT", "Microsoft"));
    EXPECT_TRUE(
        ExclusionCovers("HKLM\\SOFTWARE\\MICROSOFT", "HKLM\\Software\\Microsoft\\Windows", "Run"));
    EXPECT_TRUE(ExclusionCovers("c:\\windows\\system32", "C:\\WINDOWS\\SYSTEM32\\", "x.dll"));
    ExclusionMatcher matcher({"HKCU\\Software\\Vendor", "hkcu\\SOFTWARE\\VENDOR\\"});
    EXPECT_TRUE(matcher.Covers("HKCU\\software\\vendor\\Sub", ""));
}

// A long list is a set: every entry counts, however many there are, and repeats count once.
TEST(ExclusionMatcher, ThousandsOfEntriesEachCoverTheirOwnLocation) {
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    std::vector<std::string> entries;
    for (int i = 0; i < 5000; ++i) {
        entries.push_back("HKLM\\Software\\Vendor" + std::to_string(i));
    }
    ExclusionMatcher matcher(entries);
    EXPECT_FALSE(matcher.Add("hklm\\software\\vendor4999\\"));
    EXPECT_TRUE(matcher.Add("HKLM\\Software\\Vendor5000"));
    for (int i : {0, 1234, 4999, 5000}) {
        EXPECT_TRUE(matcher.Covers("HKLM\\Software\\Vendor" + std::to_string(i) + "\\Sub", "V"))
            << i;
    }
    EXPECT_FALSE(matcher.Covers("HKLM\\Software\\Vendor5001", ""));
    EXPECT_FALSE(matcher.Covers("HKLM\\Software", "Vendor12x"));
}

TEST(AnalysisRunExclusions, KeepCoveredFindingsOutOfIssuesAndCountThem) {
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    Issues.clear();
    const auto appendRun = [](AnalysisRun& run, const std::string& value) {
        AppendIssue(run, 10, 0, "Run Issue", "C:\\gone.exe", kRun, 0x80000001u, kRun.substr(4),
                    value, "C:\\gone.exe", false);
    };
    AnalysisRun run(Issues, {kRun + "\\B", kPrograms});
    appendRun(run, "A");
    appendRun(run, "B");
    AppendIssue(run, 13, 0, "Start Menu Issue", "Old.lnk", kPrograms, 0x80000002u, kPrograms,
                "Old.lnk", "", false);
    appendRun(run, "C");
    EXPECT_EQ(2u, run.Excluded());
    EXPECT_EQ(2u, run.Found());
    ASSERT_EQ(2u, Issues.size());
    EXPECT_EQ("A", Issues[0].Value);
    EXPECT_EQ("C", Issues[1].Value);

    // Another run has a list and a count of its own, and may send its findings elsewhere.
    std::vector<TItem> elsewhere;
    AnalysisRun next(elsewhere);
    EXPECT_EQ(0u, next.Excluded()) << "a new run counts afresh";
    appendRun(next, "B");
    EXPECT_EQ(1u, elsewhere.size());
    EXPECT_EQ(2u, Issues.size());
    EXPECT_EQ(2u, run.Excluded()) << "the first run's count stays its own";
    Issues.clear();
}

} // namespace
} // namespace mendrake
