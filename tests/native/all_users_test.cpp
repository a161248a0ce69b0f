// Every user of the machine on the memory platform: the profiles Windows lists, a user who is
// logged on (hive at HKU\<SID>), one who is not (NTUSER.DAT and UsrClass.dat loaded for the run),
// one whose hive is damaged and one whose folder is gone. Their findings are named where a
// logged-on user's hive is, the hives go back to their files on every way out, and a backup
// of them is restored into the hive file.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "engine/all_users_analysis.h"
#include "engine/error.h"
#include "engine/registry_access.h"
#include "engine/user_profiles.h"
#include "platform/memory/memory_platform.h"
#include "repair/fix.h"
#include "repair/restore.h"
#include "tests/native/version_blocks.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>
#include <set>

namespace mendrake::test {
namespace {

using platform::kUsers;

const std::string kBob = "S-1-5-21-7-7-7-1001";   // logged on
const std::string kCarol = "S-1-5-21-7-7-7-1002"; // not logged on: her hives are files
const std::string kDave = "S-1-5-21-7-7-7-1003";  // NTUSER.DAT damaged
const std::string kErin = "S-1-5-21-7-7-7-1004";  // profile folder gone
const char* const kProfileList = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kCarolHive = "C:\\Users\\carol\\NTUSER.DAT";
const std::string kCarolClassesHive =
    "C:\\Users\\carol\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";
const std::string kCarolStartMenu =
    "C:\\Users\\carol\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\";
const std::string kGoneClass = "{C0C0C0C0-0000-0000-0000-000000000002}";
const std::string kLiveClass = "{C0C0C0C0-0000-0000-0000-000000000001}";

class AllUsers : public testing::Test {
  protected:
    AllUsers() {
        os.environment["SYSTEMDRIVE"] = "C:";
        AddProfile("S-1-5-18", "%SystemRoot%\\system32\\config\\systemprofile", true);
        AddProfile(kBob, "C:\\Users\\bob", true);
        AddProfile(kCarol, "%SystemDrive%\\Users\\carol", true);
        AddProfile(kDave, "C:\\Users\\dave", true);
        AddProfile(kErin, "C:\\Users\\erin", false);
        os.accounts[kBob] = "TESTPC\\bob";
        os.AddFile("C:\\Users\\dave\\NTUSER.DAT", "not a hive");
        os.AddFile("C:\\windows\\system32\\live.dll");
        // The running account and the machine.
        os.PutText(platform::kCurrentUser, kRun, "Admin", "C:\\Gone\\admin.exe");
        os.PutText(platform::kLocalMachine, kRun, "Machine", "C:\\Gone\\machine.exe");
        // A machine's program id whose class only Carol registered: it dangles for Bob alone.
        os.PutText(platform::kLocalMachine, "Software\\Classes\\Carol.Tool\\CLSID", "", kLiveClass);
        // Bob is logged on: his hive is where Windows keeps it.
        os.PutText(kUsers, kBob + "\\" + kRun, "Gone", "C:\\Gone\\bob.exe");
        // Carol's hives, written from planted trees and then deleted from the registry.
        os.PutText(kUsers, "Plant\\" + kRun, "Tool", "C:\\Gone\\carol.exe");
        os.AddKey(kUsers, "Plant\\Software\\Carol Soft");
        const std::string shellFolders =
            "Plant\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
        os.PutText(kUsers, shellFolders, "AppData", "%USERPROFILE%\\AppData\\Roaming",
                   platform::kRegExpandSz);
        os.PutText(kUsers, shellFolders, "Start Menu", "%APPDATA%\\Microsoft\\Windows\\Start Menu",
                   platform::kRegExpandSz);
        os.PutText(kUsers, "PlantClasses\\CLSID\\" + kGoneClass + "\\InprocServer32", "",
                   "C:\\Gone\\carol.dll");
        os.PutText(kUsers, "PlantClasses\\CLSID\\" + kLiveClass + "\\InprocServer32", "",
                   "C:\\windows\\system32\\live.dll");
        os.SaveHive(kUsers, "Plant", kCarolHive);
        os.SaveHive(kUsers, "PlantClasses", kCarolClassesHive);
        RemoveUsersKey("Plant");
        RemoveUsersKey("PlantClasses");
        os.AddFile(kCarolStartMenu + "Gone.lnk",
                   ReadHostFile(ScenarioDir("desktop-walk") + "/gone.lnk"));
    }

    void AddProfile(const std::string& sid, const std::string& folder, bool exists) {
        os.PutText(platform::kLocalMachine, std::string(kProfileList) + "\\" + sid,
                   "ProfileImagePath", folder, platform::kRegExpandSz);
        if (exists) {
            os.AddFolder(os.ExpandEnvironment(folder));
        }
    }
    void RemoveUsersKey(const std::string& name) {
        RegistryAccess reg;
        reg.SetRoot(kUsers);
        ASSERT_TRUE(reg.RemoveKey("\\" + name)) << name;
    }
    // The keys below HKEY_USERS that this program loaded and left behind.
    std::vector<std::string> TemporaryKeys() {
        RegistryAccess reg;
        reg.SetRoot(kUsers);
        std::vector<std::string> left;
        if (reg.Open("\\")) {
            for (const std::string& name : reg.SubkeyNames()) {
                if (name.rfind("Mendrake", 0) == 0) {
                    left.push_back(name);
                }
            }
        }
        return left;
    }
    // Whether Carol's hive file holds the value, read by loading it as a test would.
    std::optional<std::string> CarolValue(const std::string& key, const std::string& name) {
        EXPECT_EQ(platform::kSuccess, os.LoadHive("Check", kCarolHive));
        std::optional<std::string> text;
        {
            RegistryAccess reg;
            reg.SetRoot(kUsers);
            if (reg.Open("\\Check\\" + key) && reg.HasValue(name)) {
                text = reg.ReadText(name);
            }
        }
        EXPECT_EQ(platform::kSuccess, os.UnloadHive("Check"));
        return text;
    }
    static std::set<std::string> Places(const std::vector<TItem>& issues) {
        std::set<std::string> places;
        for (const TItem& issue : issues) {
            places.insert(issue.KeyText + "|" + issue.Value);
        }
        return places;
    }

    platform::MemoryPlatform os;
    platform::ScopedOs installed{os};
    const std::vector<std::int32_t> categories = {5, 6, 10, 13};
};

TEST_F(AllUsers, TheProfilesAreTheRealUsersWhoseFoldersAreThere) {
    std::vector<std::string> listed;
    for (const Profile& profile : ListProfiles()) {
        listed.push_back(profile.sid + " " + profile.account + " " + profile.folder);
    }
    EXPECT_EQ((std::vector<std::string>{kBob + " TESTPC\\bob C:\\Users\\bob",
                                        kCarol + " carol C:\\Users\\carol",
                                        kDave + " dave C:\\Users\\dave"}),
              listed);
}

TEST_F(AllUsers, EachUsersFindingsAreNamedInThatUsersHive) {
    std::vector<TItem> found;
    {
        const UserHives hives(ListProfiles());
        ASSERT_EQ(1u, hives.Failures().size());
        EXPECT_EQ(kDave, hives.Failures()[0].profile.sid);
        EXPECT_NE(std::string::npos, hives.Failures()[0].error.find("NTUSER.DAT"))
            << hives.Failures()[0].error;
        EXPECT_EQ(2u, hives.Users().size());
        EXPECT_TRUE(os.HiveHeld(kCarolHive));
        const AllUsersFindings result = AnalyseAllUsers(hives.Users(), categories, {}, found);
        EXPECT_TRUE(result.failures.empty());
    }
    const std::string hku = "HKU\\";
    const std::set<std::string> places = Places(found);
    for (const std::string& expected :
         {hku + kBob + "\\" + kRun + "|Gone", hku + kCarol + "\\" + kRun + "|Tool",
          hku + kCarol + "\\Software\\Carol Soft|",
          hku + kCarol + "_Classes\\CLSID\\" + kGoneClass + "|", kCarolStartMenu + "|Gone.lnk",
          "HKLM\\" + kRun + "|Machine"}) {
        EXPECT_EQ(1u, places.count(expected)) << expected << "\n" << testing::PrintToString(places);
    }
    // Neither the running account's own entry nor a machine entry that one user's class still
    // answers; the machine's entry once, not once per user.
    EXPECT_EQ(0u, places.count("HKCU\\" + kRun + "|Admin"));
    EXPECT_EQ(0u, places.count("HKCR\\Carol.Tool\\CLSID|"));
    EXPECT_EQ(1, std::count_if(found.begin(), found.end(),
                               [](const TItem& issue) { return issue.Value == "Machine"; }));
    EXPECT_EQ(std::vector<std::string>{}, TemporaryKeys());
    EXPECT_FALSE(os.HiveHeld(kCarolHive));
    EXPECT_FALSE(os.HiveHeld(kCarolClassesHive));
}

TEST_F(AllUsers, TheHivesGoBackToTheirFilesOnEveryWayOut) {
    const std::vector<std::pair<const char*, std::function<void(const UserHives&)>>> ways = {
        {"a stop",
         [&](const UserHives& hives) {
             StopFlag stop;
             stop.Request();
             std::vector<TItem> found;
             EXPECT_THROW(AnalyseAllUsers(hives.Users(), categories, {}, found, &stop),
                          StopRequested);
         }},
        {"a fix whose backup cannot be written",
         [&](const UserHives& hives) {
             std::vector<TItem> found;
             AnalyseAllUsers(hives.Users(), categories, {}, found);
             EXPECT_THROW(FixIssues(found, std::string("C:\\Nowhere\\b.reg")), Error);
         }},
        {"an error", [](const UserHives&) { throw Error("failed"); }},
    };
    for (const auto& [way, run] : ways) {
        try {
            const UserHives hives(ListProfiles());
            run(hives);
        } catch (const Error&) {
        }
        EXPECT_EQ(std::vector<std::string>{}, TemporaryKeys()) << way;
        EXPECT_FALSE(os.HiveHeld(kCarolHive)) << way;
        EXPECT_EQ("C:\\Gone\\carol.exe", CarolValue(kRun, "Tool").value_or("(none)")) << way;
    }
}

TEST_F(AllUsers, TheBackupOfAUsersHiveIsRestoredIntoTheHiveFile) {
    os.AddFolder("C:\\Backups");
    const std::string backup = "C:\\Backups\\20261210142530_backup.reg";
    std::vector<TItem> found;
    {
        const UserHives hives(ListProfiles());
        AnalyseAllUsers(hives.Users(), categories, {}, found);
        const FixResult fixed = FixIssues(found, backup);
        EXPECT_TRUE(fixed.notFixed.empty());
    }
    EXPECT_FALSE(os.HiveHeld(kCarolHive));
    EXPECT_FALSE(CarolValue(kRun, "Tool"));
    EXPECT_FALSE(os.FileExists(kCarolStartMenu + "Gone.lnk"));
    const std::string script = os.FileContents(backup);
    EXPECT_NE(std::string::npos, script.find("[HKEY_USERS\\" + kCarol + "\\" + kRun + "]"))
        << script;

    const RestoreResult restored = RestoreBackup(backup);
    EXPECT_EQ(std::vector<std::string>{}, restored.failures);
    EXPECT_EQ(1u, restored.files);
    EXPECT_EQ("C:\\Gone\\carol.exe", CarolValue(kRun, "Tool").value_or("(none)"));
    EXPECT_TRUE(os.FileExists(kCarolStartMenu + "Gone.lnk"));
    EXPECT_EQ(std::vector<std::string>{}, TemporaryKeys());
    EXPECT_FALSE(os.HiveHeld(kCarolHive));
    EXPECT_FALSE(os.HiveHeld(kCarolClassesHive));
}

TEST_F(AllUsers, AShellFolderNamingAVariableTheHiveDoesNotSetIsNotWalked) {
    // Without the hive's own AppData, %APPDATA% means nothing for Carol: her Start Menu is not
    // read, and never taken from the root of the drive.
    ASSERT_EQ(platform::kSuccess, os.LoadHive("Edit", kCarolHive));
    {
        RegistryAccess reg;
        reg.SetRoot(kUsers);
        ASSERT_TRUE(reg.Open(
            "\\Edit\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"));
        ASSERT_TRUE(reg.RemoveValue("AppData"));
    }
    ASSERT_EQ(platform::kSuccess, os.UnloadHive("Edit"));
    os.AddFile("C:\\Microsoft\\Windows\\Start Menu\\Gone.lnk",
               ReadHostFile(ScenarioDir("desktop-walk") + "/gone.lnk"));
    std::vector<TItem> found;
    const UserHives hives(ListProfiles());
    AnalyseAllUsers(hives.Users(), {13}, {}, found);
    EXPECT_EQ(std::set<std::string>{}, Places(found));
}

TEST_F(AllUsers, AnExclusionOfHkcuKeepsEveryUsersMatchingEntry) {
    std::vector<TItem> found;
    const UserHives hives(ListProfiles());
    const AllUsersFindings result =
        AnalyseAllUsers(hives.Users(), {10}, {"HKCU\\" + kRun + "\\Tool", "HKCU\\" + kRun}, found);
    EXPECT_EQ((std::set<std::string>{"HKLM\\" + kRun + "|Machine"}), Places(found));
    EXPECT_EQ(2u, result.excluded);
}

TEST_F(AllUsers, AHiveThatCannotBeLoadedIsNamedAndNothingOfItIsJudged) {
    os.hivePrivileges = false; // no backup and restore privileges in the token
    std::vector<TItem> found;
    const UserHives hives(ListProfiles());
    std::vector<std::string> failed;
    for (const HiveFailure& failure : hives.Failures()) {
        failed.push_back(failure.profile.sid);
    }
    EXPECT_EQ((std::vector<std::string>{kCarol, kDave}), failed);
    AnalyseAllUsers(hives.Users(), {10}, {}, found);
    EXPECT_EQ((std::set<std::string>{"HKU\\" + kBob + "\\" + kRun + "|Gone",
                                     "HKLM\\" + kRun + "|Machine"}),
              Places(found));
}

TEST_F(AllUsers, TheConsoleRefusesEveryUserWithoutAdministratorRights) {
    os.administrator = false;
    for (const char* command : {"scan", "fix"}) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = cli::RunCommand(cli::ParseArguments({command, "--all-users"}));
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(cli::kExitAllUsersNoRights, status) << command;
        EXPECT_EQ("", out) << command;
        EXPECT_EQ("mendrake-cli: --all-users needs administrator rights (run it elevated, or as "
                  "SYSTEM): nothing was scanned\n",
                  err)
            << command;
    }
}

TEST_F(AllUsers, TheJsonReportNamesEachUserAndTheOwnerOfEachFinding) {
    os.versionResource = ProgramLikeResource();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = cli::RunCommand(cli::ParseArguments(
        {"scan", "--all-users", "--category", "10", "--category", "13", "--format", "json"}));
    const std::string out = testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(cli::kExitFailed, status); // Dave's hive could not be read
    const nlohmann::json report = nlohmann::json::parse(out);
    EXPECT_EQ(nlohmann::json::parse(R"([{"user": "TESTPC\\bob", "sid": ")" + kBob +
                                    R"("}, {"user": "carol", "sid": ")" + kCarol + R"("}])"),
              report.at("users"));
    ASSERT_EQ(1u, report.at("failures").size());
    EXPECT_EQ(kDave, report.at("failures")[0].at("sid"));
    EXPECT_EQ("dave", report.at("failures")[0].at("user"));
    std::set<std::string> owners;
    for (const nlohmann::json& issue : report.at("issues")) {
        owners.insert(issue.at("value").get<std::string>() + " " +
                      issue.value("sid", std::string("-")) + " " +
                      issue.value("user", std::string("-")));
    }
    EXPECT_EQ((std::set<std::string>{"Gone " + kBob + " TESTPC\\bob", "Tool " + kCarol + " carol",
                                     "Gone.lnk " + kCarol + " carol", "Machine - -"}),
              owners);
}

} // namespace
} // namespace mendrake::test
