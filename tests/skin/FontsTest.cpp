#include <QFontInfo>
#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "SkinTestSupport.h"
#include "skin/Fonts.h"

namespace tbt::skin {
namespace {

TEST(Fonts, WindowsFamiliesResolveToInstalledOnes) {
  const std::pair<const char16_t*, const char*> cases[] = {
      {u"Segoe UI", "Noto Sans"},
      {u"Segoe WP", "Noto Sans"},
      {u"Segoe WP N Semibold", "Noto Sans"},
      {u"MS P Gothic", "Noto Sans CJK JP"},
      {u"\u5FAE\u8EDF\u6B63\u9ED1\u9AD4", "Noto Sans CJK TC"},
      {u"Noto Serif", "Noto Serif"},
  };
  for (const auto& [requested, resolved] : cases) {
    const QFont font = MakeSkinFont(requested, 20.0f, kFontStyleRegular, kUnitPixel).value();
    EXPECT_EQ(QFontInfo(font).family(), QString::fromUtf8(resolved)) << resolved;
  }
}

TEST(Fonts, MissingFamilyFallsBackToGenericSansSerif) {
  const QString generic = GenericSansSerifFamily();
  ASSERT_FALSE(generic.isEmpty());
  for (const char16_t* family : {u"No Such Family 7", u""}) {
    const QFont font = MakeSkinFont(family, 12.0f, kFontStyleRegular, kUnitPixel).value();
    EXPECT_EQ(font.family(), generic);
  }
  EXPECT_FALSE(IsFontFamilyAvailable(QStringLiteral("No Such Family 7")));
  EXPECT_TRUE(IsFontFamilyAvailable(QStringLiteral("Segoe UI")));
}

TEST(Fonts, StyleBitsAndSemiboldNames) {
  using F = QFont;
  const int allLines = kFontStyleItalic | kFontStyleUnderline | kFontStyleStrikeout;
  const std::tuple<const char16_t*, int, QFont::Weight, bool> cases[] = {
      {u"Segoe UI", kFontStyleRegular, F::Normal, false},
      {u"Segoe UI", kFontStyleBold, F::Bold, false},
      {u"Segoe WP N Semibold", kFontStyleRegular, F::DemiBold, false},
      {u"Segoe WP N Semibold", kFontStyleBold, F::Bold, false},
      {u"Segoe UI", allLines, F::Normal, true}};
  for (const auto& [family, style, weight, lines] : cases) {
    const QFont font = MakeSkinFont(family, 20.0f, style, kUnitPixel).value();
    EXPECT_EQ(font.weight(), weight) << style;
    EXPECT_EQ(font.italic(), lines) << style;
    EXPECT_EQ(font.underline(), lines) << style;
    EXPECT_EQ(font.strikeOut(), lines) << style;
  }
}

TEST(Fonts, EmSizesConvertToPixelsAt96Dpi) {
  const struct {
    float size;
    int unit;
    double pixels;
  } cases[] = {{26.67f, kUnitPixel, 26.67},
               {12.0f, kUnitWorld, 12.0},
               {9.0f, kUnitPoint, 12.0},
               {0.5f, kUnitInch, 48.0},
               {75.0f, kUnitDocument, 24.0},
               {25.4f, kUnitMillimeter, 96.0},
               {12.0f, 99, 0.0}};
  for (const auto& c : cases) {
    EXPECT_NEAR(EmSizeInPixels(c.size, c.unit), c.pixels, 1e-4) << c.unit;
  }
}

TEST(Fonts, SizesThatAreNotPositivePixelsOrUnknownUnitsGiveNoFont) {
  for (float size : {0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN(),
                     std::numeric_limits<float>::infinity(), 1.0e6f}) {
    EXPECT_FALSE(MakeSkinFont(u"Segoe UI", size, kFontStyleRegular, kUnitPixel).has_value())
        << size;
  }
  EXPECT_FALSE(MakeSkinFont(u"Segoe UI", 12.0f, kFontStyleRegular, 42).has_value());
}

TEST(Fonts, WholePixelSizesStayPixelSizesAndFractionsKeepTheirFraction) {
  EXPECT_EQ(MakeSkinFont(u"Segoe UI", 20.0f, kFontStyleRegular, kUnitPixel)->pixelSize(), 20);
  const QFont font = MakeSkinFont(u"Segoe UI", 26.67f, kFontStyleRegular, kUnitPixel).value();
  EXPECT_NEAR(font.pointSizeF() * 96.0 / 72.0, 26.67, 1e-3);
  // On the composed 96-dpi surface the fraction is not cut off: Qt's font engines
  // round the size to the nearest whole pixel, so 26.67 lays out as 27, never as 26.
  const QImage surface = test::Surface(4, 4);
  const auto width = [&](float size) {
    return QFontMetricsF(*MakeSkinFont(u"Segoe UI", size, kFontStyleRegular, kUnitPixel), &surface)
        .horizontalAdvance(QStringLiteral("Thunderbolt firmware update"));
  };
  EXPECT_GT(width(26.67f), width(26.0f));
}

}  // namespace
}  // namespace tbt::skin
