#include <gtest/gtest.h>

#include "SkinTestSupport.h"
#include "skin/ResourceImage.h"

namespace tbt::skin {
namespace {

TEST(ResourceImage, CompiledInImagesHaveTheTruncatedSizeOfTheirFactor) {
  const struct {
    unsigned id;
    double scale;
    int width;
    int height;
    bool redrawn;
  } cases[] = {{130, 1.0, 76, 76, false}, {136, 1.0, 48, 43, false}, {136, 0.5, 24, 21, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + " at " + std::to_string(c.scale));
    auto image = LoadResourceImage(c.id, u"IMG", nullptr, c.scale);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetWidth(), c.width);
    EXPECT_EQ(image->GetHeight(), c.height);
    EXPECT_EQ(image->IsRedrawnCopy(), c.redrawn);
    EXPECT_EQ(image->GetLastStatus(), kImageOk);
    // Decoded and scaled copies alike are un-premultiplied ARGB.
    EXPECT_EQ(image->GetPixelFormat(), QImage::Format_ARGB32);
  }
}

// Drawing stretched into a rectangle, and drawing nothing for an id without a
// picture, are pinned by the text label's tests. The window loads only its own
// compiled-in images, at the factors 1 and 0.5.
TEST(ResourceImage, ScaledCopyIsTheStretchedPicture) {
  // Four quadrants of distinct colours survive a halving at their corners.
  const QRgb colours[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF};
  QImage quadrants(8, 6, QImage::Format_ARGB32);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      quadrants.setPixel(x, y, colours[(y >= 3 ? 2 : 0) + (x >= 4 ? 1 : 0)]);
    }
  }
  const test::TempImageModule module{{5, quadrants}};
  auto half = LoadResourceImage(5, u"IMG", module.Module(), 0.5);
  ASSERT_EQ(half->GetWidth(), 4);
  ASSERT_EQ(half->GetHeight(), 3);
  EXPECT_EQ(half->Picture().pixel(0, 0), colours[0]);
  EXPECT_EQ(half->Picture().pixel(3, 0), colours[1]);
  EXPECT_EQ(half->Picture().pixel(0, 2), colours[2]);
  EXPECT_EQ(qAlpha(half->Picture().pixel(3, 2)), 0x80);
}

}  // namespace
}  // namespace tbt::skin
