#include <gtest/gtest.h>

#include <atomic>

#include "platform/emulated/ManualClock.h"
#include "ui/WorkerRunner.h"

namespace tbt::ui {
namespace {

TEST(ThreadWorkerRunner, TimesOutWhileTheWorkerRunsAndJoinsItAfterwardsOrOnDestruction) {
  emulated::ManualClock clock;
  std::atomic<bool> release{false};
  std::atomic<int> runs{0};
  {
    ThreadWorkerRunner runner(clock);
    ASSERT_TRUE(runner.Start([&] {
      while (!release.load()) {
      }
      ++runs;
    }));
    const uint64_t before = clock.NowMilliseconds();
    EXPECT_FALSE(runner.WaitFor(100));
    EXPECT_GE(clock.NowMilliseconds() - before, 100u);
    EXPECT_FALSE(runner.Start([] {})) << "only one worker at a time";
    release = true;
    while (!runner.WaitFor(100)) {
    }
    EXPECT_EQ(runs.load(), 1);
    EXPECT_TRUE(runner.WaitFor(100)) << "nothing left to wait for";
    // A new worker may start once joined; nobody waits for it but the destructor.
    EXPECT_TRUE(runner.Start([&] { ++runs; }));
  }
  EXPECT_EQ(runs.load(), 2);
}

}  // namespace
}  // namespace tbt::ui
