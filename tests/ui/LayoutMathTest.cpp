#include <gtest/gtest.h>

#include "ui/DialogLayout.h"
#include "ui/LayoutMath.h"

namespace tbt::ui {
namespace {

struct LayoutClassCase {
  platform::ScreenSize desktop;
  int expectedClass;
};

TEST(LayoutMath, ChoosesTheFullLayoutOnlyAboveNineteenTwentyByTenEighty) {
  const LayoutClassCase cases[] = {
      {{1920, 1080}, kLayoutCompact}, {{1366, 768}, kLayoutCompact}, {{1921, 1080}, kLayoutFull},
      {{1920, 1081}, kLayoutFull},    {{1920, 1200}, kLayoutFull},   {{2560, 1440}, kLayoutFull},
      {{0, 0}, kLayoutCompact},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LayoutClassFor(c.desktop), c.expectedClass)
        << c.desktop.width << " x " << c.desktop.height;
  }
}

TEST(LayoutMath, ScalesDesignUnitsByTruncation) {
  EXPECT_EQ(ScaleDesignUnits(1109, 0.5), 554);
  EXPECT_EQ(ScaleDesignUnits(43, 0.5), 21);
  EXPECT_EQ(ScaleDesignUnits(297, 0.5), 148);
  EXPECT_EQ(ScaleDesignUnits(1109, 1.0), 1109);
  EXPECT_EQ(LayoutFactor(kLayoutCompact), 0.5);
  EXPECT_EQ(LayoutFactor(kLayoutFull), 1.0);
}

TEST(LayoutMath, MulDivRoundsHalvesAwayFromZeroAndRefusesZeroDivisor) {
  struct Case {
    int32_t a, b, c, expected;
  };
  const Case cases[] = {
      {24, 96, 72, 32},       {20, 96, 72, 27},
      {10, 96, 72, 13},       {20, 144, 72, 40},
      {1, 1, 2, 1},           {-1, 1, 2, -1},
      {3, 1, -2, -2},         {5, 5, 0, -1},
      {0x7FFFFFFF, 2, 1, -1}, {0x7FFFFFFF, 2, 2, 0x7FFFFFFF},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
  }
}

TEST(LayoutMath, TextSizeKeepsItsSizeRelativeToTheSkinAtAnyDpi) {
  struct Case {
    int base;
    double factor;
    int dpi;
    float expected;
  };
  const Case cases[] = {
      {24, 1.0, 96, 32.0f},  {20, 1.0, 96, 27.0f},  {24, 0.5, 96, 16.0f},  {20, 0.5, 96, 13.0f},
      {24, 1.0, 120, 32.0f}, {20, 1.0, 120, 26.4f}, {24, 1.0, 144, 32.0f}, {20, 1.0, 144, 26.6667f},
      {24, 0.5, 144, 16.0f}, {24, 1.0, 0, 32.0f},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(TextEmSize(c.base, c.factor, c.dpi), c.expected, 0.001)
        << "base " << c.base << " factor " << c.factor << " dpi " << c.dpi;
  }
}

TEST(DialogLayout, PlacesTheUpdateButtonAtHalfSizeOnACompactScreen) {
  EXPECT_EQ(PixelRectOf(kIdUpdate, kLayoutCompact), (LayoutRect{568, 554, 184, 38}));
  EXPECT_EQ(PixelRectOf(kIdUpdate, kLayoutFull), (LayoutRect{1136, 1109, 368, 76}));
  EXPECT_EQ(PixelRectOf(kIdWarning, kLayoutCompact), (LayoutRect{35, 560, 24, 21}));
  EXPECT_EQ(PixelRectOf(kIdMessage, kLayoutCompact), (LayoutRect{50, 148, 700, 90}));
  EXPECT_EQ(PixelRectOf(12345, kLayoutFull), LayoutRect{});
}

TEST(DialogLayout, TablesCoverEachControlOnceInTheirOrders) {
  ASSERT_EQ(kPlacements.size(), 12u);
  for (int id : kBindingOrder) {
    int count = 0;
    for (const auto& placement : kPlacements) {
      count += placement.id == id ? 1 : 0;
    }
    EXPECT_EQ(count, 1) << "control " << id;
  }
  // Paint order: version first, later last, so later controls draw over earlier ones.
  EXPECT_EQ(kPlacements.front().id, kIdVersion);
  EXPECT_EQ(kPlacements.back().id, kIdLater);
  // Every button has a normal image; only shut-down and later lack a disabled one.
  for (int id : kButtonIds) {
    const ControlPlacement* placement = FindPlacement(id);
    ASSERT_NE(placement, nullptr);
    EXPECT_NE(placement->images.normal, 0) << id;
    EXPECT_EQ(placement->images.disabled == 0, id == kIdShutdown || id == kIdLater) << id;
  }
  for (const auto& placement : kPlacements) {
    EXPECT_NE(placement.images.normal, 149) << "there is no image 149";
  }
}

TEST(DialogLayout, LaterButtonTurnsWhiteOnlyWhenHoveredOrPressed) {
  const TextStyle* later = FindTextStyle(kIdLater);
  ASSERT_NE(later, nullptr);
  EXPECT_EQ(later->color, 0xFF464646u);
  EXPECT_EQ(later->hoverColor, 0xFFFFFFFFu);
  EXPECT_EQ(later->pressedColor, 0xFFFFFFFFu);
  EXPECT_EQ(FindTextStyle(kIdBusy), nullptr);
  EXPECT_EQ(FindTextStyle(kIdVersion)->baseSize, 20);
}

TEST(DialogLayout, BusyFramesCycleFrom141To148AndNeverReach149) {
  int frame = kImageFirstBusyFrame;
  std::vector<int> seen;
  for (int i = 0; i < 17; ++i) {
    seen.push_back(frame);
    frame = NextBusyFrame(frame);
  }
  const std::vector<int> expected = {141, 142, 143, 144, 145, 146, 147, 148, 141,
                                     142, 143, 144, 145, 146, 147, 148, 141};
  EXPECT_EQ(seen, expected);
}

}  // namespace
}  // namespace tbt::ui
