#include "app/ScaledClock.h"

#include <gtest/gtest.h>

#include "platform/emulated/ManualClock.h"

namespace tbt::app {
namespace {

TEST(ScaledClock, ShortensEachWaitByItsScale) {
  struct Case {
    double scale;
    uint32_t asked;
    uint32_t waited;
  };
  const Case cases[] = {
      {0.1, 10000, 1000}, {0.0, 10000, 0}, {-1.0, 500, 0}, {10.0, 4294967295u, 4294967295u}};
  for (const Case& c : cases) {
    emulated::ManualClock inner;
    ScaledClock clock(inner, c.scale);
    clock.Sleep(c.asked);
    EXPECT_EQ(inner.TotalSlept(), c.waited) << c.scale << " x " << c.asked;
    EXPECT_EQ(clock.NowMilliseconds(), inner.NowMilliseconds());
  }
}

}  // namespace
}  // namespace tbt::app
