// Centring the skinned window in the work area.

#include <gtest/gtest.h>

#include "skin/WindowPlacement.h"

namespace tbt::skin {
namespace {

struct PlacementCase {
  const char* name;
  platform::ScreenRect workArea;
  int width;
  int height;
  WindowOrigin expected;
};

void PrintTo(const PlacementCase& c, std::ostream* os) {
  *os << c.name;
}

class CentreInWorkAreaTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(CentreInWorkAreaTest, TruncatesTowardZero) {
  const PlacementCase& c = GetParam();
  EXPECT_EQ(CentreInWorkArea(c.workArea, c.width, c.height), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, CentreInWorkAreaTest,
    ::testing::Values(
        PlacementCase{"HalfSizeSkinOnSmallScreen", {0, 0, 1366, 728}, 780, 620, {293, 54}},
        PlacementCase{"OddWidthTruncates", {0, 0, 1365, 728}, 780, 620, {292, 54}},
        // B - T - H = -1: -1 / 2 is 0, so the window starts at the work area's top.
        PlacementCase{"OnePixelShortStaysAtTop", {0, 40, 1366, 659}, 780, 620, {293, 40}},
        PlacementCase{"TaskbarOnTheLeft", {60, 0, 1426, 728}, 780, 620, {353, 54}},
        // Excess 195 x 512: the window starts 97 and 256 pixels before the area.
        PlacementCase{"LargerThanWorkAreaOverhangs", {0, 0, 1365, 728}, 1560, 1240, {-97, -256}},
        PlacementCase{"OverhangFromOffsetArea", {100, 50, 1465, 778}, 1560, 1240, {3, -206}},
        PlacementCase{"EmptyWindowAtCentrePoint", {0, 0, 1366, 728}, 0, 0, {683, 364}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tbt::skin
