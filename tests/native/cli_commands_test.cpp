// The console front end's commands on the memory platform: help, version, the notice of a scan
// without administrator rights, the report's members, the fix's streams and the backups list.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "platform/memory/memory_platform.h"
#include "tests/native/version_blocks.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <stdexcept>

namespace mendrake::cli {
namespace {

using Args = std::vector<std::string>;

TEST(CliArguments, HelpAndVersionAreAnsweredWhereverTheyStand) {
    const struct {
        Args args;
        const char* command;
    } cases[] = {
        {{"--help"}, "help"},
        {{"-h"}, "help"},
        {{"/?"}, "help"},
        {{"scan", "--category", "3", "-h"}, "help"},
        {{"fix", "--bogus", "/?"}, "help"},
        {{"--version"}, "version"},
        {{"scan", "--version"}, "version"},
        {{"--version", "--help"}, "help"},
        {{"scan", "--log", "-"}, "scan"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.command, ParseArguments(c.args).command) << testing::PrintToString(c.args);
    }
    for (const Args& bad : {Args{}, Args{"-?"}, Args{"scan", "--help-me"}, Args{"version"}}) {
        EXPECT_THROW(ParseArguments(bad), std::invalid_argument) << testing::PrintToString(bad);
    }
}

class CliCommands : public testing::Test {
  protected:
    // Runs the command line with standard output and standard error captured.
    int Run(const Args& args) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = RunCommand(ParseArguments(args));
        out = testing::internal::GetCapturedStdout();
        err = testing::internal::GetCapturedStderr();
        return status;
    }

    platform::MemoryPlatform os;
    platform::ScopedOs installed{os};
    std::string out, err;
};

TEST_F(CliCommands, HelpPrintsTheUsageAndTheExitStatusesOnStandardOutput) {
    EXPECT_EQ(0, Run({"/?"}));
    EXPECT_EQ(std::string(kUsage) + kInferredNote +
                  "\ncategories (--category takes the number or the name):\n" + CategoryList() +
                  kExitStatuses,
              out);
    EXPECT_NE(std::string::npos, out.find("\n   3  Shared DLLs\n")) << out;
    EXPECT_NE(std::string::npos, out.find("\n  16  Sound Events\n")) << out;
    EXPECT_EQ("", err);
}

// --category takes a scanner category's number or its English name in any case; anything else
// is refused with the list of the valid ones.
TEST(CliArguments, ACategoryIsNamedByItsNumberOrItsEnglishName) {
    const struct {
        std::string given;
        std::int32_t id; // -1: refused
    } cases[] = {
        {"3", 3},  {"Shared DLLs", 3}, {"shared dlls", 3}, {"RUN", 10}, {"16", 16}, {"0", -1},
        {"1", -1}, {"Registry", -1},   {"99", -1},         {"3x", -1},  {"", -1},   {"Shared", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        if (c.id >= 0) {
            EXPECT_EQ(std::vector<std::int32_t>{c.id},
                      ParseArguments({"scan", "--category", c.given}).categories);
        } else {
            try {
                ParseArguments({"scan", "--category", c.given});
                ADD_FAILURE() << "taken";
            } catch (const std::invalid_argument& e) {
                EXPECT_EQ("no scanner category is called " + c.given + "; the categories:\n" +
                              CategoryList(),
                          e.what());
            }
        }
    }
}

TEST_F(CliCommands, VersionPrintsTheFileVersionOfTheProgramsOwnResource) {
    os.versionResource = test::ProgramLikeResource();
    EXPECT_EQ(0, Run({"--version"}));
    EXPECT_EQ("mendrake-cli 2.0.0.0\n", out);
}

// Without administrator rights the machine-wide keys are skipped: the user is told so on
// standard error before the scan, the scan still writes its log, and its status says it did
// not see everything.
TEST_F(CliCommands, AScanWithoutAdministratorRightsSaysSoInOneLine) {
    os.AddFolder("C:\\Logs");
    const Args scan = {"scan", "--category", "10", "--log", "C:\\Logs\\scan.log"};
    EXPECT_EQ(0, Run(scan));
    EXPECT_EQ("", err);
    os.administrator = false;
    EXPECT_EQ(kExitNoRights, Run(scan));
    EXPECT_EQ("mendrake-cli: not running with administrator rights: machine-wide keys are "
              "skipped and cannot be fixed\n",
              err);
    EXPECT_TRUE(os.FileExists("C:\\Logs\\scan.log"));
}

// A collector reads from the report alone whether the run could see the machine-wide keys and
// which categories failed (always present, so that no member means nothing).
TEST_F(CliCommands, TheJsonReportSaysTheRightsAndTheFailedCategories) {
    os.versionResource = test::ProgramLikeResource();
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    os.PutText(platform::kCurrentUser, run, "Gone", "C:\\Gone\\gone.exe");
    EXPECT_EQ(kExitIssues, Run({"scan", "--category", "10", "--format", "json"}));
    nlohmann::json report = nlohmann::json::parse(out);
    EXPECT_TRUE(report.at("administrator").get<bool>());
    EXPECT_EQ(nlohmann::json::array(), report.at("failures"));
    EXPECT_EQ(1u, report.at("issues").size());

    os.administrator = false;
    EXPECT_EQ(kExitNoRights, Run({"scan", "--category", "10", "--format", "json"}));
    report = nlohmann::json::parse(out);
    EXPECT_FALSE(report.at("administrator").get<bool>());
    EXPECT_EQ(nlohmann::json::array(), report.at("failures"));
}

// With the log on standard output, standard output carries the log alone; what the fix says
// goes to standard error.
TEST_F(CliCommands, AFixWithTheLogOnStandardOutputSaysItsOwnLinesOnStandardError) {
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    os.PutText(platform::kCurrentUser, run, "Gone", "C:\\Gone\\gone.exe");
    os.AddFolder("C:\\Backups");
    EXPECT_EQ(0, Run({"fix", "--category", "10", "--log", "-", "--backup-dir", "C:\\Backups"}));
    EXPECT_EQ(0u, out.find("Log file for for: TESTPC\r\n")) << out;
    EXPECT_EQ(std::string::npos, out.find("Fixed")) << out;
    EXPECT_NE(std::string::npos, err.find("Backup written to C:\\Backups\\")) << err;
    EXPECT_NE(std::string::npos, err.find("Fixed 1 of 1 issues, 0 excluded\n")) << err;
    EXPECT_EQ(1u, os.ListFolder("C:\\Backups\\*").size() - 2) << "one backup";

    // Nothing left to fix: no backup, not even an empty one.
    EXPECT_EQ(0, Run({"fix", "--category", "10", "--backup-dir", "C:\\Backups"}));
    EXPECT_EQ("Fixed 0 of 0 issues, 0 excluded\n", out);
    EXPECT_EQ(1u, os.ListFolder("C:\\Backups\\*").size() - 2) << "still one backup";
}

// A removed program's key rests on a judgement over its values: the fix leaves it unless told
// to take inferred findings too, and says so.
TEST_F(CliCommands, AFixLeavesInferredFindingsUnlessToldToIncludeThem) {
    os.PutText(platform::kLocalMachine, "Software\\MdkGone\\Tool", "InstallDir", "C:\\Gone\\Tool");
    EXPECT_EQ(kExitIssues, Run({"fix", "--category", "6", "--no-backup"}));
    EXPECT_EQ("Left in place: 1 inferred finding (--include-inferred removes it)\n"
              "Fixed 0 of 1 issues, 0 excluded\n",
              out);
    EXPECT_TRUE(os.KeyExists(platform::kLocalMachine, "Software\\MdkGone"));
    EXPECT_EQ(kExitDone, Run({"fix", "--category", "6", "--no-backup", "--include-inferred"}));
    EXPECT_EQ("Fixed 1 of 1 issues, 0 excluded\n", out);
    EXPECT_FALSE(os.KeyExists(platform::kLocalMachine, "Software\\MdkGone"));
}

// A reference kept because the class it names could not be deleted is named with that class,
// and is no failure of its own: only the class counts as an entry that could not be removed.
TEST_F(CliCommands, AFixNamesTheReferencesItKeptWithTheirClass) {
    const std::string gone = "{6D6B0001-0000-4000-8000-000000000001}";
    os.AddFile("C:\\App\\app.exe");
    os.PutText(platform::kClassesRoot, "CLSID\\" + gone + "\\InprocServer32", "",
               "C:\\Gone\\gone.dll");
    os.PutText(platform::kClassesRoot, "Mdk.Doc\\CLSID", "", gone);
    os.DenyFullAccess(platform::kClassesRoot, "CLSID\\" + gone);
    EXPECT_EQ(kExitIssues, Run({"fix", "--category", "5", "--no-backup"}));
    EXPECT_EQ("Not fixed: HKCR\\Mdk.Doc\\CLSID: kept because what it depends on was kept: "
              "HKCR\\CLSID\\" +
                  gone + "\nFixed 0 of 2 issues, 0 excluded\n",
              out);
    EXPECT_EQ("mendrake-cli: 1 issues could not be removed\n", err);
}

// What a managed run learns from the exit status alone: whether the run saw every key, and
// then whether issues are on the machine. Each case starts from a machine of its own.
TEST(CliExitStatus, SaysWhetherTheRunSawEverythingAndWhatIsLeft) {
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string gone = "C:\\Gone\\gone.exe";
    const std::string folder = "C:\\Backups\\";
    const std::string backup = folder + "b_backup.reg";
    const std::string userEntry =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Mdk]\r\n\"v\"=\"x\"\r\n";
    const std::string machineEntry =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Mdk]\r\n\"v\"=\"x\"\r\n";
    using Plant = std::function<void(platform::MemoryPlatform&)>;
    const Plant nothing = [](platform::MemoryPlatform&) {};
    const Plant goneProgram = [&](platform::MemoryPlatform& os) {
        os.PutText(platform::kCurrentUser, run, "Gone", gone);
    };
    const Plant backupOf = [&](platform::MemoryPlatform& os) { os.AddFile(backup, userEntry); };
    const Plant changedSince = [&](platform::MemoryPlatform& os) {
        os.AddFile(backup, userEntry);
        os.PutText(platform::kCurrentUser, "Software\\Mdk", "v", "changed");
    };
    const Plant machineKeyLocked = [&](platform::MemoryPlatform& os) {
        os.AddFile(backup, machineEntry);
        os.AddKey(platform::kLocalMachine, "Software\\Mdk");
        os.DenyWrites(platform::kLocalMachine, "Software\\Mdk");
    };
    const Plant unreadable = [&](platform::MemoryPlatform& os) {
        os.AddFile(backup, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Mdk\r\n");
    };
    const Args scan = {"scan", "--category", "10"};
    const Args fix = {"fix", "--category", "10", "--backup-dir", folder};
    const Args restore = {"restore", backup};
    const struct {
        const char* situation;
        Plant plant;
        Args args;
        bool administrator;
        int status;
    } cases[] = {
        {"scan, nothing found", nothing, scan, true, kExitDone},
        {"scan, an issue found", goneProgram, scan, true, kExitIssues},
        {"scan, the only issue excluded",
         goneProgram,
         {"scan", "--category", "10", "--exclude", "HKCU\\" + run},
         true,
         kExitDone},
        {"scan without rights, nothing found", nothing, scan, false, kExitNoRights},
        {"scan without rights, an issue found", goneProgram, scan, false, kExitNoRights},
        {"fix, nothing found", nothing, fix, true, kExitDone},
        {"fix, the issue removed", goneProgram, fix, true, kExitDone},
        {"fix without rights, the issue removed", goneProgram, fix, false, kExitNoRights},
        {"restore, everything restored", backupOf, restore, true, kExitDone},
        {"restore, a value changed since the backup", changedSince, restore, true, kExitFailed},
        {"restore, a changed value without rights", changedSince, restore, false, kExitFailed},
        {"restore, a machine key not written", machineKeyLocked, restore, true, kExitFailed},
        {"restore without rights, a machine key not written", machineKeyLocked, restore, false,
         kExitNoRights},
        {"restore, a backup that cannot be read", unreadable, restore, true, kExitUsage},
        {"restore, no such backup", nothing, restore, true, kExitUsage},
    };
    for (const auto& c : cases) {
        platform::MemoryPlatform os;
        platform::ScopedOs installed{os};
        os.AddFolder(folder);
        os.administrator = c.administrator;
        c.plant(os);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = RunCommand(ParseArguments(c.args));
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(c.status, status) << c.situation << "\n" << out << err;
    }
}

TEST_F(CliCommands, TheBackupsOfAFolderThatIsNotThereAreAnError) {
    EXPECT_EQ(2, Run({"backups", "--backup-dir", "C:\\Nowhere"}));
    EXPECT_EQ("mendrake-cli: no such folder: C:\\Nowhere\n", err);
    EXPECT_EQ("", out);
    os.AddFolder("C:\\Empty");
    EXPECT_EQ(0, Run({"backups", "--backup-dir", "C:\\Empty"}));
    EXPECT_EQ("No backups in C:\\Empty\n", out);
}

// --exclude takes the forms people paste and keeps the short one; anything else is refused.
TEST(CliArguments, RunExclusionsAreReadInTheirShortFormOrRefused) {
    const Arguments parsed =
        ParseArguments({"scan", "--exclude", "Computer\\HKEY_CURRENT_USER\\Software\\Vendor\\",
                        "--exclude", "\\\\srv\\share\\App"});
    EXPECT_EQ((std::vector<std::string>{"HKCU\\Software\\Vendor", "\\\\srv\\share\\App"}),
              parsed.exclude);
    for (const char* entry : {"Vendor", "Software\\Vendor", "HKEY_USERS.DEFAULT"}) {
        EXPECT_THROW(ParseArguments({"fix", "--exclude", entry}), std::invalid_argument) << entry;
    }
}

} // namespace
} // namespace mendrake::cli
