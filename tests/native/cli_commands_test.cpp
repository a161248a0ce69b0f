// The console front end's commands on the memory platform: help, version, the notice of a scan
// without administrator rights, the report's members, the fix's streams and the backups list.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "platform/memory/memory_platform.h"
#include "tests/native/version_blocks.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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

TEST_F(CliCommands, HelpPrintsTheUsageOnStandardOutput) {
    EXPECT_EQ(0, Run({"/?"}));
    EXPECT_EQ(kUsage, out);
    EXPECT_EQ("", err);
}

TEST_F(CliCommands, VersionPrintsTheFileVersionOfTheProgramsOwnResource) {
    os.versionResource = test::ProgramLikeResource();
    EXPECT_EQ(0, Run({"--version"}));
    EXPECT_EQ("mendrake-cli 2.0.0.0\n", out);
}

// Without administrator rights the machine-wide keys are skipped: the user is told so on
// standard error before the scan, and the scan still ends as usual.
TEST_F(CliCommands, AScanWithoutAdministratorRightsSaysSoInOneLine) {
    os.AddFolder("C:\\Logs");
    const Args scan = {"scan", "--category", "10", "--log", "C:\\Logs\\scan.log"};
    EXPECT_EQ(0, Run(scan));
    EXPECT_EQ("", err);
    os.administrator = false;
    EXPECT_EQ(0, Run(scan));
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
    EXPECT_EQ(0, Run({"scan", "--category", "10", "--format", "json"}));
    nlohmann::json report = nlohmann::json::parse(out);
    EXPECT_TRUE(report.at("administrator").get<bool>());
    EXPECT_EQ(nlohmann::json::array(), report.at("failures"));
    EXPECT_EQ(1u, report.at("issues").size());

    os.administrator = false;
    EXPECT_EQ(0, Run({"scan", "--category", "10", "--format", "json"}));
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

// A reference kept because the class it names could not be deleted is named with that class,
// and is no failure of its own: only the class counts as an entry that could not be removed.
TEST_F(CliCommands, AFixNamesTheReferencesItKeptWithTheirClass) {
    const std::string gone = "{6D6B0001-0000-4000-8000-000000000001}";
    os.AddFile("C:\\App\\app.exe");
    os.PutText(platform::kClassesRoot, "CLSID\\" + gone + "\\InprocServer32", "",
               "C:\\Gone\\gone.dll");
    os.PutText(platform::kClassesRoot, "Mdk.Doc\\CLSID", "", gone);
    os.DenyFullAccess(platform::kClassesRoot, "CLSID\\" + gone);
    EXPECT_EQ(1, Run({"fix", "--category", "5", "--no-backup"}));
    EXPECT_EQ("Not fixed: HKCR\\Mdk.Doc\\CLSID: kept because what it depends on was kept: "
              "HKCR\\CLSID\\" +
                  gone + "\nFixed 0 of 2 issues, 0 excluded\n",
              out);
    EXPECT_EQ("mendrake-cli: 1 issues could not be removed\n", err);
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
    for (const char* entry : {"Vendor", "Software\\Vendor", "HKEY_USERS\\.DEFAULT"}) {
        EXPECT_THROW(ParseArguments({"fix", "--exclude", entry}), std::invalid_argument) << entry;
    }
}

} // namespace
} // namespace mendrake::cli
