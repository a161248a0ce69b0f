// The console front end's commands on the memory platform: help, version, and the notice of a
// scan without administrator rights.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "platform/memory/memory_platform.h"
#include "tests/native/version_blocks.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace mendrake::cli
