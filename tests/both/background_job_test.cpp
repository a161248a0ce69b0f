// The analysis on a thread of its own: the same issues as in place, handed over only at the
// job's end, a stop honoured at the next registry or file-system call with the earlier
// findings kept, and errors carried back as text. Under the sanitizers on Linux and for real
// under Wine.
#include "engine/algorithm_unit.h"
#include "engine/background_job.h"
#include "engine/common_unit.h"
#include "engine/error.h"
#include "engine/registry_access.h"
#include "engine/stop_request.h"
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
void ScanOnWorker(std::int32_t category) {
#ifdef _WIN32
    platform::ComInitialization com;
#endif
    RunScanner(category);
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

    std::vector<TItem> handedOver;
    ExistenceCacheScope runCache; // one cache for the whole run, as the window keeps it
    for (std::int32_t category : kAllCategories) {
        std::promise<void> ended;
        BackgroundJob job([category] { ScanOnWorker(category); }, [&] { ended.set_value(); });
        ended.get_future().wait();
        EXPECT_TRUE(job.Ended());
        EXPECT_TRUE(Issues.empty()) << "category " << category << " wrote into Issues";
        const std::size_t counted = job.FoundSoFar();
        JobOutcome outcome = job.Take();
        EXPECT_FALSE(outcome.stopped || outcome.failed) << category << ": " << outcome.error;
        EXPECT_EQ(outcome.issues.size(), counted) << "category " << category;
        for (TItem& issue : outcome.issues) {
            handedOver.push_back(std::move(issue));
        }
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
    auto job = std::make_unique<BackgroundJob>(
        [&] {
            RunScanner(3);
            me.get()->RequestStop();
            RunScanner(5);
            secondFinished = true;
        },
        [&] { ++ends; });
    self.set_value(job.get());
    JobOutcome outcome = job->Take();
    job.reset();
    EXPECT_TRUE(outcome.stopped);
    EXPECT_FALSE(outcome.failed) << outcome.error;
    EXPECT_FALSE(secondFinished);
    EXPECT_EQ(test::Blocks(sharedDlls), test::Blocks(outcome.issues));
    EXPECT_EQ(1, ends) << "the end is told once";
}

TEST(BackgroundJob, AnErrorComesBackAsTextAndTheDestructorStopsARunningJob) {
    BackgroundJob failing([] { throw Error("Cannot read the thing."); }, {});
    const JobOutcome outcome = failing.Take();
    EXPECT_TRUE(outcome.failed);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ("Cannot read the thing.", outcome.error);

    // A job that would run for ever ends when its owner goes (the window closing).
    std::promise<void> started;
    auto endless = std::make_unique<BackgroundJob>(
        [&] {
            started.set_value();
            for (;;) {
                CheckStopRequest();
                std::this_thread::yield();
            }
        },
        [] {});
    started.get_future().wait();
    endless.reset();
}

// Every place a scanner spends its time honours a stop; a thread without a stop flag (the
// console program) never throws.
TEST(StopRequest, RegistryOpensListingsAndExistenceTestsThrowOnceAStopIsAsked) {
    const std::vector<std::pair<const char*, std::function<void()>>> checkpoints = {
        {"registry open",
         [] {
             RegistryAccess reg;
             reg.SetRoot(platform::kLocalMachine);
             reg.Open("\\Software");
         }},
        {"file test", [] { FileFound("C:\\MendrakeNoSuch\\a.dll"); }},
        {"pattern test", [] { FileFound("C:\\MendrakeNoSuch\\*.dll"); }},
        {"folder test", [] { FolderFound("C:\\MendrakeNoSuch\\"); }},
        {"folder listing", [] { ListFolder("C:\\"); }},
    };
    for (const auto& [name, call] : checkpoints) {
        EXPECT_NO_THROW(call()) << name << " without a stop flag";
        std::atomic<bool> stop{false};
        StopRequestScope scope(stop);
        EXPECT_NO_THROW(call()) << name << " before the stop";
        stop = true;
        EXPECT_THROW(call(), StopRequested) << name;
    }
    EXPECT_NO_THROW(CheckStopRequest()) << "the flag goes with its scope";
}

} // namespace
} // namespace mendrake
