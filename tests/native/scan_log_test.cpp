// The scan log: its header, the eleven-line block of every issue, CR LF throughout, and the
// errors of a file that cannot be written.
#include "repair/scan_log.h"

#include "engine/error.h"
#include "platform/memory/memory_platform.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

const std::string kHeader = "Log file for for: TESTPC\r\n"
                            "Generated on  2026-12-10 14:25\r\n"
                            "\r\n"
                            "Mendrake registry cleaner, copyright (c) Kestrava\r\n"
                            "\r\n"
                            "ITEMS:\r\n"
                            "\r\n";

TEST(ScanLog, EmptyListGivesTheHeaderOnly) {
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    SaveLog("C:\\log.txt", {});
    EXPECT_EQ(kHeader, os.FileContents("C:\\log.txt"));
    // The regional time separator and a short year keep their places and widths.
    EXPECT_EQ("Log file for for: \r\nGenerated on  0987-01-02 03.04\r\n",
              LogHeader("", {987, 1, 2, 3, 4, 5}, ".").substr(0, 52));
}

TEST(ScanLog, WritesEveryIssueTickedOrNotInElevenLines) {
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    TItem run;
    run.Category = 10;
    run.Kind = 0;
    run.Problem = "Run Issue";
    run.Data = "C:\\gone.exe";
    run.KeyText = "HKLM\\Soft\\Run";
    run.RootKey = 0x80000002u;
    run.Key = "\\Soft\\Run";
    run.Value = "App";
    run.ValueData = "C:\\gone.exe /s";
    TItem shortcut;
    shortcut.Selected = 0;
    shortcut.Category = 13;
    shortcut.Kind = 1;
    shortcut.RootKey = 0x80000001u;
    shortcut.DeleteKey = true;
    SaveLog("C:\\log.txt", {run, shortcut});
    EXPECT_EQ(kHeader + "Selected: Yes\r\n"
                        "Issue: 10,0\r\n"
                        "uProblem: Run Issue\r\n"
                        "uData: C:\\gone.exe\r\n"
                        "uKey: HKLM\\Soft\\Run\r\n"
                        "Section: 2147483650\r\n"
                        "Key: \\Soft\\Run\r\n"
                        "Value: App\r\n"
                        "Data: C:\\gone.exe /s\r\n"
                        "Delete Key: No\r\n"
                        "\r\n"
                        "Selected: No\r\n"
                        "Issue: 13,1\r\n"
                        "uProblem: \r\n"
                        "uData: \r\n"
                        "uKey: \r\n"
                        "Section: 2147483649\r\n"
                        "Key: \r\n"
                        "Value: \r\n"
                        "Data: \r\n"
                        "Delete Key: Yes\r\n"
                        "\r\n",
              os.FileContents("C:\\log.txt"));
}

TEST(ScanLog, ReportsFilesThatCannotBeWritten) {
    platform::MemoryPlatform os;
    platform::ScopedOs installed(os);
    try {
        SaveLog("C:\\Missing\\log.txt", {});
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string("Cannot create file \"C:\\Missing\\log.txt\". The system cannot "
                              "find the path specified."),
                  e.what());
    }
    os.FailNextWrite(platform::FileWriteResult::Stage::Flush, 112);
    EXPECT_THROW(SaveLog("C:\\log.txt", {}), Error);
}

} // namespace
} // namespace mendrake
