#include <QFontInfo>

#include <gtest/gtest.h>

#include <limits>

#include "SkinTestSupport.h"
#include "skin/Fonts.h"

namespace tbt::skin {
namespace {

// The families, weights and styles the dialog chooses per language are checked by the
// dialog's layout test; here the family it uses for the version, a family passed
// through unchanged and families that are not installed.
TEST(Fonts, WindowsFamiliesResolveToInstalledOnesAndMissingOnesToGenericSansSerif) {
  const QString generic = GenericSansSerifFamily();
  ASSERT_FALSE(generic.isEmpty());
  const std::pair<const char16_t*, QString> cases[] = {
      {u"Segoe UI", "Noto Sans"},
      {u"Noto Serif", "Noto Serif"},
      {u"No Such Family 7", generic},
      {u"", generic},
  };
  for (const auto& [requested, resolved] : cases) {
    const QFont font = MakeSkinFont(requested, 20.0f, kFontStyleRegular, kUnitPixel).value();
    EXPECT_EQ(QFontInfo(font).family(), resolved) << resolved.toStdString();
  }
  EXPECT_FALSE(IsFontFamilyAvailable(QStringLiteral("No Such Family 7")));
  EXPECT_TRUE(IsFontFamilyAvailable(QStringLiteral("Segoe UI")));
}

TEST(Fonts, SizesThatAreNotPositivePixelsOrUnknownUnitsGiveNoFont) {
  for (float size : {0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN(),
                     std::numeric_limits<float>::infinity(), 1.0e6f}) {
    EXPECT_FALSE(MakeSkinFont(u"Segoe UI", size, kFontStyleRegular, kUnitPixel).has_value())
        << size;
  }
  EXPECT_FALSE(MakeSkinFont(u"Segoe UI", 12.0f, kFontStyleRegular, 42).has_value());
}

}  // namespace
}  // namespace tbt::skin
