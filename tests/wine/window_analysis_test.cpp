// The analysis and the fix off the window's thread, on a machine planted large enough for the
// analysis to take seconds: the window keeps answering, Stop ends the run within a moment and
// keeps what was found, closing during a run stops it and closes, and the tree counts issues.
#include "tests/wine/main_window_fixture.h"

#include "repair/fix.h"
#include "tests/support/generated_machine.h"
#include "tests/support/responsiveness_probe.h"

#include <algorithm>

namespace mendrake::test {
namespace {

using Clock = std::chrono::steady_clock;
using platform::Os;

constexpr const char* kTag = "MdkWin";

class WindowAnalysisTest : public MainWindowTest {
  protected:
    static void SetUpTestSuite() {
        const auto start = Clock::now();
        const GeneratedMachine machine = GenerateMachine(2500, kTag, "C:\\MendrakeTest\\window\\");
        files_ = new PlantedFiles;
        for (const std::string& file : machine.files) {
            files_->AddFile(file);
        }
        registry_ = new PlantedRegistry;
        registry_->Apply(machine.registry);
        std::printf("planted %zu registry changes and %zu files in %lld ms\n",
                    machine.registry.size(), machine.files.size(),
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start)
                            .count()));
    }
    static void TearDownTestSuite() {
        delete registry_;
        delete files_;
    }

    // Starts the analysis without waiting for its end.
    void StartAnalysis() {
        SendMessageA(form->AnalyseAdvToolButton.hwnd(), BM_CLICK, 0, 0);
        Pump();
    }
    // Pumps until `done` holds; false after `limit`.
    template <typename Condition>
    bool PumpUntil(Condition done, std::chrono::milliseconds limit = std::chrono::minutes(2)) {
        const auto deadline = Clock::now() + limit;
        while (!done()) {
            if (Clock::now() > deadline) {
                return false;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            Pump();
        }
        return true;
    }
    std::size_t CountOf(std::int32_t category) const {
        return static_cast<std::size_t>(std::count_if(
            Issues.begin(), Issues.end(), [&](const TItem& i) { return i.Category == category; }));
    }

  private:
    static PlantedFiles* files_;
    static PlantedRegistry* registry_;
};

PlantedFiles* WindowAnalysisTest::files_ = nullptr;
PlantedRegistry* WindowAnalysisTest::registry_ = nullptr;

TEST_F(WindowAnalysisTest, TheWindowAnswersThroughoutARunAndTheTreeCountsTheIssues) {
    ResponsivenessProbe probe(form->hwnd());
    const auto start = Clock::now();
    StartAnalysis();
    EXPECT_EQ("S&top", form->AnalyseAdvToolButton.Text());
    EXPECT_EQ("A--", Buttons()) << "Stop is offered; Fix and Save log wait for the end";
    EXPECT_EQ("Shared DLLs", Caption(2)) << "plain names while a run is under way";
    bool sawLiveLine = false;
    ASSERT_TRUE(PumpUntil([&] {
        sawLiveLine = sawLiveLine || form->LiveLabel.Text().rfind("Scanning ", 0) == 0;
        return !form->Busy();
    }));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    probe.Stop();
    std::printf("analysis %lld ms; the window's worst answer %lld ms\n",
                static_cast<long long>(ms.count()), probe.WorstMs());
    EXPECT_FALSE(probe.TimedOut()) << "the window did not answer for 5 s";
    EXPECT_LT(probe.WorstMs(), 2000) << "the window's thread was blocked";
    EXPECT_TRUE(sawLiveLine);

    EXPECT_EQ("&Analyse", form->AnalyseAdvToolButton.Text());
    EXPECT_EQ("AFS", Buttons());
    EXPECT_EQ(100, form->AdvOfficeStatusBar.ProgressPosition());
    EXPECT_EQ(std::to_string(Issues.size()) + " issues found", form->LiveLabel.Text());
    ASSERT_EQ(static_cast<int>(Issues.size()), Rows());
    // Every node's caption carries its number of issues.
    // Every node's caption carries its number of issues, and how many of them are inferred.
    for (int node = 0; node < form->NodeCount(); ++node) {
        const TLevel* level = form->LevelOf(form->NodeAt(node));
        const auto count = std::count_if(Issues.begin(), Issues.end(), [&](const TItem& issue) {
            return CategoryShows(*level, issue);
        });
        const auto inferred = std::count_if(Issues.begin(), Issues.end(), [&](const TItem& issue) {
            return CategoryShows(*level, issue) && CertaintyOf(issue) == Certainty::Inferred;
        });
        const std::string name = node == 0 ? std::string("All") : std::string(level->Name);
        EXPECT_EQ(name + " (" + std::to_string(count) +
                      (inferred > 0 ? ", " + std::to_string(inferred) + " inferred" : "") + ")",
                  Caption(node));
    }
    EXPECT_GT(CountOf(5), 10u) << "the planted classes were scanned";

    // A picture of the window after a run, sorted by "Data", with the counts in the tree.
    SendMessageA(List(), LVM_ENSUREVISIBLE, 0, FALSE);
    HWND header = reinterpret_cast<HWND>(SendMessageA(List(), LVM_GETHEADER, 0, 0));
    RECT column{};
    SendMessageA(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&column));
    ClickAt(header, {(column.left + column.right) / 2, (column.top + column.bottom) / 2});
    EXPECT_EQ(1, form->SortColumn());
    UpdateWindow(form->hwnd());
    EXPECT_TRUE(WriteWindowPng(form->hwnd(), Os().ProgramFolder() + "window_counts_sorted.png"));
}

TEST_F(WindowAnalysisTest, StopEndsTheRunWithinAMomentAndKeepsWhatWasFound) {
    StartAnalysis();
    // Shared DLLs is done and handed over; the run is in a later category.
    const int afterSharedDlls = AnalysisProgressPosition(2, form->NodeCount());
    ASSERT_TRUE(
        PumpUntil([&] { return form->AdvOfficeStatusBar.ProgressPosition() >= afterSharedDlls; }));
    ASSERT_TRUE(form->Busy()) << "the run ended before Stop could be pressed";
    const std::size_t sharedDlls = CountOf(3);
    EXPECT_GT(sharedDlls, 0u);
    const auto pressed = Clock::now();
    SendMessageA(form->AnalyseAdvToolButton.hwnd(), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !form->Busy(); }, std::chrono::seconds(10)));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - pressed);
    std::printf("Stop took %lld ms\n", static_cast<long long>(ms.count()));
    EXPECT_LT(ms.count(), 2000);

    EXPECT_EQ("Stopped", form->LiveLabel.Text());
    EXPECT_EQ("&Analyse", form->AnalyseAdvToolButton.Text());
    EXPECT_EQ("AFS", Buttons());
    EXPECT_EQ(sharedDlls, CountOf(3)) << "the earlier category's issues stay";
    EXPECT_EQ(0u, CountOf(13) + CountOf(14)) << "no category after the stop ran";
    EXPECT_LT(form->AdvOfficeStatusBar.ProgressPosition(), 100);
    EXPECT_EQ(0u, form->AdvOfficeStatusBar.ProgressText().rfind("Stopped in ", 0))
        << form->AdvOfficeStatusBar.ProgressText();
    EXPECT_EQ(static_cast<int>(Issues.size()), Rows());
    EXPECT_EQ("All (" + std::to_string(Issues.size()) + ")", Caption(0));
    // A category that never ran has no count: "(0)" would read as scanned and clean.
    for (int node = 0; node < form->NodeCount(); ++node) {
        const TLevel* level = form->LevelOf(form->NodeAt(node));
        if (level && (level->Id == 3 || level->Id == 14)) {
            EXPECT_EQ(level->Id == 3, Caption(node).find('(') != std::string::npos)
                << Caption(node);
        }
    }
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;
    // At 150% the design size is larger than the virtual screen: the picture shows what fits.
    RECT frame{};
    GetWindowRect(form->hwnd(), &frame);
    SetWindowPos(form->hwnd(), nullptr, 0, 0,
                 std::min<int>(frame.right - frame.left, GetSystemMetrics(SM_CXSCREEN)),
                 std::min<int>(frame.bottom - frame.top, GetSystemMetrics(SM_CYSCREEN)),
                 SWP_NOZORDER);
    Pump();
    UpdateWindow(form->hwnd());
    EXPECT_TRUE(WriteWindowPng(form->hwnd(), Os().ProgramFolder() + "window_stopped.png"));

    // The next run starts afresh, with the plain names first.
    StartAnalysis();
    EXPECT_EQ("All", Caption(0));
    WaitForWorker();
    EXPECT_EQ(100, form->AdvOfficeStatusBar.ProgressPosition());
}

// The rows the user selected while a run goes on stay selected as each category's issues join
// the list.
TEST_F(WindowAnalysisTest, TheSelectionSurvivesTheEndOfEachCategory) {
    StartAnalysis();
    ASSERT_TRUE(PumpUntil([&] { return Issues.size() >= 3 || !form->Busy(); }));
    ASSERT_TRUE(form->Busy()) << "the run ended before a row could be selected";
    const std::size_t before = Issues.size();
    form->AdvListView.SelectRows({0, 2}, 2);
    ASSERT_TRUE(PumpUntil([&] { return Issues.size() > before || !form->Busy(); }));
    EXPECT_EQ((std::vector<int>{0, 2}), form->AdvListView.SelectedRows());
    EXPECT_EQ(2, form->AdvListView.FocusedRow());
    SendMessageA(form->AnalyseAdvToolButton.hwnd(), BM_CLICK, 0, 0); // Stop
    WaitForWorker();
}

TEST_F(WindowAnalysisTest, ClosingDuringARunStopsItAndThenCloses) {
    HWND window = form->hwnd();
    StartAnalysis();
    ASSERT_TRUE(form->Busy());
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(window); }, std::chrono::seconds(10)))
        << "the window stayed open";
    EXPECT_FALSE(form->Busy());
    EXPECT_EQ(0u, CountOf(14)) << "the run did not go on to the end";
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;
}

TEST_F(WindowAnalysisTest, AFixOfManyIssuesLeavesTheWindowAnswering) {
    TickOnly({4}); // "ActiveX and Classes": the planted machine's stale classes
    Press(form->AnalyseAdvToolButton);
    // Only the planted issues stay ticked: the prefix's own are left alone.
    std::size_t ticked = 0;
    for (TItem& issue : Issues) {
        issue.Selected = (issue.KeyText + issue.Data).find(kTag) != std::string::npos;
        ticked += issue.Selected ? 1 : 0;
    }
    ASSERT_GT(ticked, 50u);
    SendMessageA(form->BackupHTMLCheckBox.hwnd(), BM_CLICK, 0, 0);
    ResponsivenessProbe probe(form->hwnd());
    const auto start = Clock::now();
    SendMessageA(form->FixAdvToolButton.hwnd(), BM_CLICK, 0, 0);
    // A logoff or shutdown waits while the fix runs, and is let through once it has ended.
    EXPECT_TRUE(form->Busy());
    EXPECT_EQ(FALSE, SendMessageA(form->hwnd(), WM_QUERYENDSESSION, 0, 0));
    WaitForWorker();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    probe.Stop();
    std::printf("fix of %zu issues %lld ms; the window's worst answer %lld ms\n", ticked,
                static_cast<long long>(ms.count()), probe.WorstMs());
    EXPECT_FALSE(probe.TimedOut());
    EXPECT_LT(probe.WorstMs(), 2000);
    EXPECT_EQ(TRUE, SendMessageA(form->hwnd(), WM_QUERYENDSESSION, 0, 0));
    EXPECT_EQ(Issues.empty() ? "A--" : "AFS", Buttons());
    EXPECT_EQ(static_cast<int>(Issues.size()), Rows());
    EXPECT_EQ(100, form->AdvOfficeStatusBar.ProgressPosition());
    for (const TItem& issue : Issues) {
        EXPECT_EQ(0, issue.Selected) << "a fixed entry stayed listed: " << issue.KeyText;
    }
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;
}

} // namespace
} // namespace mendrake::test
