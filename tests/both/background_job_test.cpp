// The analysis on a thread of its own: the same issues as in place, handed over only at the
// job's end, a stop honoured at the next registry or file-system call with the earlier
// findings kept, and errors carried back as text. Under the sanitizers on Linux and for real
// under Wine.
#include "engine/algorithm_unit.h"
#include "engine/background_job.h"
#include "engine/common_unit.h"
#include "engine/error.h"
#include "engine/registry_access.h"
#include "engine/analysis_run.h"
#include "tests/support/fixtures.h"
#include "tests/support/generated_machine.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#endif

#include <functional>
#include <future>
#include <memory>
#include <thread>

namespace mendrake {
namespace {

const std::vector<std::int32_t> kAllCategories = {3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14};

// A category's scan as the window runs it on its worker: COM for the shortcut object first.
void ScanOnWorker(std::int32_t category, AnalysisRun& run) {
#ifdef _WIN32
    platform::ComInitialization com;
#endif
    RunScanner(category, run);
}

class BackgroundAnalysis : public testing::Test {
  protected:
    void SetUp() override {
        const test::GeneratedMachine machine =
            test::GenerateMachine(160, "MdkJob", "C:\\MendrakeTest\\job\\");
        for (const std::string& file : machine.files) {
            files_.AddFile(file);
        }
        registry_.Apply(machine.registry);
        Issues.clear();
    }
    void TearDown() override { Issues.clear(); }

  private:
    test::PlantedFiles files_;
    test::PlantedRegistry registry_;
};

TEST_F(BackgroundAnalysis, EachCategoryOnAWorkerFindsWhatTheScanInPlaceFinds) {
    const std::vector<TItem> inPlace = test::Scan(kAllCategories);
    ASSERT_FALSE(inPlace.empty());

    // One run for all categories, as the window keeps it; each category's findings are taken
    // from the run's own list when its job has ended.
    std::vector<TItem> found, handedOver;
    AnalysisRun run(found);
    for (std::int32_t category : kAllCategories) {
        std::promise<void> ended;
        BackgroundJob job([category, &run](const StopFlag&) { ScanOnWorker(category, run); },
                          [&] { ended.set_value(); }, &run.Stop());
        ended.get_future().wait();
        EXPECT_TRUE(job.Ended());
        EXPECT_TRUE(Issues.empty()) << "category " << category << " wrote into Issues";
        JobOutcome outcome = job.Take();
        EXPECT_FALSE(outcome.stopped || outcome.failed) << category << ": " << outcome.error;
        for (TItem& issue : found) {
            handedOver.push_back(std::move(issue));
        }
        found.clear();
        EXPECT_EQ(handedOver.size(), run.Found()) << "category " << category;
    }
    EXPECT_EQ(test::Blocks(inPlace), test::Blocks(handedOver));
}

TEST_F(BackgroundAnalysis, AStopEndsTheJobAtItsNextCallAndKeepsWhatWasFound) {
    const std::vector<TItem> sharedDlls = test::Scan({3});
    ASSERT_FALSE(sharedDlls.empty());

    // The job asks for its own stop between two categories: the second one's first registry
    // open throws, so it adds nothing.
    std::promise<BackgroundJob*> self;
    std::shared_future<BackgroundJob*> me = self.get_future().share();
    int ends = 0;
    bool secondFinished = false;
    std::vector<TItem> found;
    AnalysisRun run(found);
    auto job = std::make_unique<BackgroundJob>(
        [&](const StopFlag&) {
            RunScanner(3, run);
            me.get()->RequestStop();
            RunScanner(5, run);
            secondFinished = true;
        },
        [&] { ++ends; }, &run.Stop());
    self.set_value(job.get());
    JobOutcome outcome = job->Take();
    job.reset();
    EXPECT_TRUE(outcome.stopped);
    EXPECT_FALSE(outcome.failed) << outcome.error;
    EXPECT_FALSE(secondFinished);
    EXPECT_EQ(test::Blocks(sharedDlls), test::Blocks(found));
    EXPECT_EQ(1, ends) << "the end is told once";
}

TEST(BackgroundJob, AnErrorComesBackAsTextAndTheDestructorStopsARunningJob) {
    BackgroundJob failing([](const StopFlag&) { throw Error("Cannot read the thing."); }, {});
    const JobOutcome outcome = failing.Take();
    EXPECT_TRUE(outcome.failed);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ("Cannot read the thing.", outcome.error);

    // A job that would run for ever ends when its owner goes (the window closing).
    std::promise<void> started;
    auto endless = std::make_unique<BackgroundJob>(
        [&](const StopFlag& stop) {
            started.set_value();
            for (;;) {
                stop.Check();
                std::this_thread::yield();
            }
        },
        [] {});
    started.get_future().wait();
    endless.reset();

    // So does a scan whose job uses its run's flag.
    AnalysisRun run;
    std::promise<void> scanning;
    auto scan = std::make_unique<BackgroundJob>(
        [&](const StopFlag&) {
            scanning.set_value();
            for (;;) {
                FileFound(run, "C:\\MendrakeNoSuch\\*.dll");
                std::this_thread::yield();
            }
        },
        [] {}, &run.Stop());
    scanning.get_future().wait();
    scan.reset();
}

// Every place a scanner spends its time honours a stop asked of its run; the same calls
// outside a run (the fix, the restore) never throw.
TEST(StopRequest, RegistryOpensListingsAndExistenceTestsThrowOnceAStopIsAsked) {
    const std::vector<std::pair<const char*, std::function<void(AnalysisRun&)>>> checkpoints = {
        {"registry open",
         [](AnalysisRun& run) {
             RegistryAccess reg(run);
             reg.SetRoot(platform::kLocalMachine);
             reg.Open("\\Software");
         }},
        {"file test", [](AnalysisRun& run) { FileFound(run, "C:\\MendrakeNoSuch\\a.dll"); }},
        {"pattern test", [](AnalysisRun& run) { FileFound(run, "C:\\MendrakeNoSuch\\*.dll"); }},
        {"folder test", [](AnalysisRun& run) { FolderFound(run, "C:\\MendrakeNoSuch\\"); }},
        {"folder listing", [](AnalysisRun& run) { ListFolder(run, "C:\\"); }},
    };
    for (const auto& [name, call] : checkpoints) {
        AnalysisRun run;
        EXPECT_NO_THROW(call(run)) << name << " before the stop";
        run.RequestStop();
        EXPECT_THROW(call(run), StopRequested) << name;
    }
    AnalysisRun stopped;
    stopped.RequestStop();
    EXPECT_NO_THROW({
        RegistryAccess reg;
        reg.SetRoot(platform::kLocalMachine);
        reg.Open("\\Software");
        FileFound("C:\\MendrakeNoSuch\\a.dll");
        FolderFound("C:\\MendrakeNoSuch\\");
    }) << "another run's stop";
}

} // namespace
} // namespace mendrake
