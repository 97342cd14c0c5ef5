#include <QFontInfo>

#include <gtest/gtest.h>

#include "SkinTestSupport.h"
#include "skin/Fonts.h"
#include "skin/TextLabel.h"

namespace tbt::skin {
namespace {

using test::PaintedBounds;

constexpr QRgb kPanel = 0xFF203040;

class TextLabelTest : public ::testing::Test {
 protected:
  test::TempImageModule module{{10, Corners()}, {11, test::Solid(4, 4, kPanel)}};
  QWidget parent;
  CTextLabel label{&parent, 1005};

  static QImage Corners() {
    QImage corners(2, 2, QImage::Format_ARGB32);
    corners.setPixel(0, 0, 0xFFFF0000);
    corners.setPixel(1, 0, 0xFF00FF00);
    corners.setPixel(0, 1, 0xFF0000FF);
    corners.setPixel(1, 1, 0xFFFFFFFF);
    return corners;
  }
  void SetUp() override {
    label.SetTextFont(u"Noto Sans", 20.0f, 0, 2);
    label.SetTextColor(0xFFA40000);
    label.MoveWindow(10, 10, 120, 60);
  }
  QImage Paint() { return test::PaintOf(label, 150, 90); }
};

TEST_F(TextLabelTest, PictureIsStretchedToTheRectangleAndTextDrawnOverIt) {
  ASSERT_NE(label.SetImage(10, u"IMG", module.Module(), 1.0), nullptr);
  const QImage image = Paint();
  EXPECT_EQ(PaintedBounds(image), QRect(10, 10, 120, 60));
  EXPECT_EQ(image.pixel(11, 11), 0xFFFF0000u);
  EXPECT_EQ(image.pixel(128, 68), 0xFFFFFFFFu);

  label.SetImage(11, u"IMG", module.Module(), 1.0);
  const QImage panel = Paint();
  label.SetWindowText(u"Caution");
  const QImage both = Paint();
  // The picture still fills the rectangle, the text lies on it and nothing spills.
  EXPECT_EQ(PaintedBounds(both), QRect(10, 10, 120, 60));
  EXPECT_EQ(both.pixel(128, 68), kPanel);
  EXPECT_NE(both, panel);
  // A label has no disabled look.
  label.EnableWindow(false);
  EXPECT_EQ(Paint(), both);
}

TEST_F(TextLabelTest, NeitherTextNorPictureDrawsNothing) {
  EXPECT_TRUE(PaintedBounds(Paint()).isNull());
  label.SetImage(12345, u"IMG", module.Module(), 1.0);
  EXPECT_TRUE(PaintedBounds(Paint()).isNull());
  label.SetImage(10, u"IMG", module.Module(), 1.0);
  label.SetWindowText(u"gone");
  label.ReleaseResources();
  EXPECT_EQ(label.Image(), nullptr);
  EXPECT_FALSE(label.Font().has_value());
  EXPECT_TRUE(PaintedBounds(Paint()).isNull());
}

TEST_F(TextLabelTest, LongTextWrapsAtWordsAndIsClippedAtTheBottomEdge) {
  label.SetTextAlign(kAlignNear, kAlignNear);
  label.SetWindowText(u"one");
  const QRect oneLine = PaintedBounds(Paint());
  label.SetWindowText(u"one two three four five six seven");
  const QRect wrapped = PaintedBounds(Paint());
  ASSERT_FALSE(oneLine.isNull());
  EXPECT_GT(wrapped.height(), oneLine.height() * 2);
  EXPECT_TRUE(QRect(10, 10, 120, 60).contains(wrapped));

  // Two lines of 20-pixel capitals need about 50 pixels; 45 cuts the second one.
  label.MoveWindow(10, 10, 120, 45);
  label.SetWindowText(u"HHH HHH HHH HHH HHH HHH HHH HHH HHH HHH");
  const QRect bounds = PaintedBounds(Paint());
  EXPECT_EQ(bounds.bottom(), 54);
  EXPECT_TRUE(QRect(10, 10, 120, 45).contains(bounds));
}

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

// Sizes come from the layout's table and the screen's DPI, so only a DPI far out of
// range gives a size no font can have.
TEST(Fonts, ASizeNoFontCanHaveGivesNoFont) {
  EXPECT_FALSE(MakeSkinFont(u"Segoe UI", 1.0e6f, kFontStyleRegular, kUnitPixel).has_value());
}

}  // namespace
}  // namespace tbt::skin
