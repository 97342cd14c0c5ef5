#include <gtest/gtest.h>

#include <atomic>

#include "platform/emulated/ManualClock.h"
#include "ui/WorkerRunner.h"

namespace tbt::ui {
namespace {

TEST(ThreadWorkerRunner, TimesOutWhileTheWorkerRunsAndJoinsItAfterwards) {
  emulated::ManualClock clock;
  ThreadWorkerRunner runner(clock);
  std::atomic<bool> release{false};
  std::atomic<bool> ran{false};
  ASSERT_TRUE(runner.Start([&] {
    while (!release.load()) {
    }
    ran = true;
  }));
  const uint64_t before = clock.NowMilliseconds();
  EXPECT_FALSE(runner.WaitFor(100));
  EXPECT_GE(clock.NowMilliseconds() - before, 100u);
  EXPECT_FALSE(runner.Start([] {})) << "only one worker at a time";
  release = true;
  while (!runner.WaitFor(100)) {
  }
  EXPECT_TRUE(ran.load());
  EXPECT_TRUE(runner.WaitFor(100)) << "nothing left to wait for";
  EXPECT_TRUE(runner.Start([] {})) << "a new worker may start once joined";
}

TEST(ThreadWorkerRunner, DestructionJoinsAWorkerNobodyWaitedFor) {
  emulated::ManualClock clock;
  std::atomic<int> runs{0};
  {
    ThreadWorkerRunner runner(clock);
    ASSERT_TRUE(runner.Start([&] { ++runs; }));
  }
  EXPECT_EQ(runs.load(), 1);
}

}  // namespace
}  // namespace tbt::ui
