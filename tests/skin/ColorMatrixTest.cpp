// The grey and hover colour matrices on known pixels.

#include <gtest/gtest.h>

#include "SkinTestSupport.h"
#include "skin/ColorMatrix.h"

namespace tbt::skin {
namespace {

TEST(ColorMatrix, GreyAndHoverMapKnownColours) {
  // The weights: 0.3 * 200 + 0.59 * 100 = 119; 0.59 * 255 = 150.45; 0.11 * 255 = 28.05.
  // Hover: 100 * 1.05 + 12.75 = 117.75; 0 becomes 12.75; 250 and 255 clamp at 255.
  const struct {
    const ColorMatrix* matrix;
    QRgb in;
    QRgb out;
  } cases[] = {
      {&kGrayscaleMatrix, 0xFFC86400, 0xFF777777}, {&kGrayscaleMatrix, 0x8000FF00, 0x80969696},
      {&kGrayscaleMatrix, 0xFF0000FF, 0xFF1C1C1C}, {&kGrayscaleMatrix, 0x00FFFFFF, 0x00FFFFFF},
      {&kHoverMatrix, 0x4D6496C8, 0x4D76AADF},     {&kHoverMatrix, 0xFF000000, 0xFF0D0D0D},
      {&kHoverMatrix, 0xFFFAFFF0, 0xFFFFFFFF}};
  for (const auto& c : cases) {
    EXPECT_EQ(ApplyColorMatrix(*c.matrix, c.in), c.out) << std::hex << c.in;
  }
}

TEST(ColorMatrix, AlphaColumnAndClampingApplyToAlphaToo) {
  // A matrix that inverts red into alpha and pushes blue below zero.
  ColorMatrix matrix{};
  matrix[0][3] = -1.0f;  // alpha -= R
  matrix[4][3] = 1.0f;   // alpha += 1
  matrix[2][2] = -2.0f;  // blue = -2 B
  matrix[1][1] = 1.0f;   // green kept
  EXPECT_EQ(ApplyColorMatrix(matrix, qRgba(255, 40, 90, 10)), qRgba(0, 40, 0, 0));
  EXPECT_EQ(ApplyColorMatrix(matrix, qRgba(0, 40, 90, 10)), qRgba(0, 40, 0, 255));
}

TEST(ColorMatrix, ImageIsTreatedAsUnpremultiplied) {
  // A half-transparent pixel stored premultiplied still greys by its real colour.
  QImage premultiplied(2, 1, QImage::Format_ARGB32_Premultiplied);
  premultiplied.setPixelColor(0, 0, QColor::fromRgba(qRgba(200, 100, 0, 128)));
  premultiplied.setPixelColor(1, 0, QColor::fromRgba(qRgba(0, 0, 0, 0)));
  const QImage grey = ApplyColorMatrix(kGrayscaleMatrix, premultiplied);
  ASSERT_EQ(grey.format(), QImage::Format_ARGB32);
  const QRgb pixel = grey.pixel(0, 0);
  EXPECT_EQ(qAlpha(pixel), 128);
  EXPECT_NEAR(qRed(pixel), 119, 1);
  EXPECT_EQ(qRed(pixel), qGreen(pixel));
  EXPECT_EQ(qGreen(pixel), qBlue(pixel));
  EXPECT_EQ(qAlpha(grey.pixel(1, 0)), 0);
  EXPECT_TRUE(ApplyColorMatrix(kHoverMatrix, QImage()).isNull());
}

}  // namespace
}  // namespace tbt::skin
