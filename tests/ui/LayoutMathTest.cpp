#include <gtest/gtest.h>

#include "ui/DialogLayout.h"
#include "ui/LayoutMath.h"

namespace tbt::ui {
namespace {

TEST(LayoutMath, ChoosesTheFullLayoutOnlyWhenTheWholeWindowFitsTheWorkArea) {
  // Screens in device pixels at a scaling; the work area comes in device-independent
  // pixels, less a 40-pixel panel, as Qt reports it.
  const struct {
    int width;
    int height;
    double scale;
    int expectedClass;
  } cases[] = {
      {2560, 1080, 1.0, kLayoutCompact}, {1920, 1080, 2.0, kLayoutCompact},
      {2560, 1440, 1.5, kLayoutCompact}, {1920, 1200, 1.0, kLayoutCompact},
      {2560, 1440, 1.0, kLayoutFull},    {3840, 2160, 1.5, kLayoutFull},
      {1560, 1280, 1.0, kLayoutFull},    {1559, 1280, 1.0, kLayoutCompact},
  };
  for (const auto& c : cases) {
    const platform::ScreenRect area{0, 0, static_cast<int>(c.width / c.scale),
                                    static_cast<int>(c.height / c.scale) - 40};
    EXPECT_EQ(LayoutClassFor(area), c.expectedClass)
        << c.width << " x " << c.height << " at " << c.scale;
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
