// The colour matrices beyond the two looks the image button pins (grey and lit):
// clamping, the alpha column and premultiplied pictures.

#include <gtest/gtest.h>

#include "SkinTestSupport.h"
#include "skin/ColorMatrix.h"

namespace tbt::skin {
namespace {

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
  EXPECT_EQ(qAlpha(grey.pixel(1, 0)), 0);
  EXPECT_TRUE(ApplyColorMatrix(kHoverMatrix, QImage()).isNull());
}

}  // namespace
}  // namespace tbt::skin
