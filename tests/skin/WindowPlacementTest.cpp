#include <gtest/gtest.h>

#include "skin/WindowPlacement.h"

namespace tbt::skin {
namespace {

TEST(CentreInWorkArea, TruncatesTowardZero) {
  const struct {
    const char* name;
    platform::ScreenRect workArea;
    int width;
    int height;
    WindowOrigin expected;
  } cases[] = {
      {"half-size skin on a small screen", {0, 0, 1366, 728}, 780, 620, {293, 54}},
      {"odd width truncates", {0, 0, 1365, 728}, 780, 620, {292, 54}},
      // B - T - H = -1: -1 / 2 is 0, so the window starts at the work area's top.
      {"one pixel short stays at the top", {0, 40, 1366, 659}, 780, 620, {293, 40}},
      {"task bar on the left", {60, 0, 1426, 728}, 780, 620, {353, 54}},
      // Never before the work area: the close button in the corner stays reachable.
      {"larger than the work area starts at its edge", {10, 20, 1365, 728}, 1560, 1240, {10, 20}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CentreInWorkArea(c.workArea, c.width, c.height), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace tbt::skin
