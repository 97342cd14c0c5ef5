#include <gtest/gtest.h>

#include "ui/DialogLayout.h"
#include "ui/LayoutMath.h"

namespace tbt::ui {
namespace {

// The full window is 1560 x 1240 device-independent pixels; the dialog's layout test
// takes common screens and scalings, this one the edges.
TEST(LayoutMath, ChoosesTheFullLayoutOnlyWhenTheWholeWindowFitsTheWorkArea) {
  const std::pair<platform::ScreenRect, int> cases[] = {
      {{0, 0, 1560, 1240}, kLayoutFull},       {{0, 0, 1559, 1240}, kLayoutCompact},
      {{0, 0, 1560, 1239}, kLayoutCompact},    {{100, 50, 1660, 1290}, kLayoutFull},
      {{100, 50, 1659, 1290}, kLayoutCompact},
  };
  for (const auto& [area, expected] : cases) {
    EXPECT_EQ(LayoutClassFor(area), expected) << area.left << " " << area.right;
  }
}

TEST(LayoutMath, MulDivRoundsHalvesAwayFromZeroAndRefusesZeroDivisor) {
  struct Case {
    int32_t a, b, c, expected;
  };
  const Case cases[] = {
      {20, 96, 72, 27},
      {1, 1, 2, 1},
      {-1, 1, 2, -1},
      {3, 1, -2, -2},
      {5, 5, 0, -1},
      {0x7FFFFFFF, 2, 1, -1},
      {0x7FFFFFFF, 2, 2, 0x7FFFFFFF},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
  }
}

}  // namespace
}  // namespace tbt::ui
