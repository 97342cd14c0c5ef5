#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>

#include "SkinTestSupport.h"
#include "dialog/WindowPlacement.h"
#include "skin/ImageButton.h"
#include "skin/LayeredSkinDialog.h"
#include "skin/TextLabel.h"

namespace tbt::skin {
namespace {

using test::PaintedBounds;

constexpr QRgb kPanel = 0xFF808080;
constexpr QRgb kRed = 0xFFFF0000;
constexpr unsigned kSkinId = 20;

// A 60 x 40 skin: a 5-pixel transparent margin around an opaque grey panel.
const CResourceModule* Skins() {
  static const test::TempImageModule module{{kSkinId,
                                             [] {
                                               QImage skin(60, 40, QImage::Format_ARGB32);
                                               skin.fill(Qt::transparent);
                                               QPainter(&skin).fillRect(5, 5, 50, 30,
                                                                        QColor::fromRgba(kPanel));
                                               return skin;
                                             }()},
                                            {21, test::Solid(10, 10, 0xFF00A000)}};
  return module.Module();
}

// A control that fills its rectangle with one colour.
class FillControl : public CSkinControl {
 public:
  FillControl(QWidget* parent, QRgb argb, QRect rect) : CSkinControl(parent, 0), m_argb(argb) {
    MoveWindow(rect.x(), rect.y(), rect.width(), rect.height());
  }
  void PaintSkin(QPainter& painter) override {
    painter.fillRect(SkinRect(), QColor::fromRgba(m_argb));
  }

 private:
  QRgb m_argb;
};

class TestDialog : public CLayeredSkinDialog {
 public:
  using CLayeredSkinDialog::CLayeredSkinDialog;
  std::function<void(TestDialog&)> layout;
  int layouts = 0;
  void InitSkinLayout() override {
    ++layouts;
    if (layout) {
      layout(*this);
    }
  }
};

class LayeredSkinDialogTest : public ::testing::Test {
 protected:
  test::FakeDisplay display = [] {
    test::FakeDisplay small;
    small.workArea = {0, 0, 1366, 728};
    return small;
  }();
  TestDialog dialog{nullptr, &display};
  FillControl red{&dialog, kRed, {10, 10, 20, 10}};
  FillControl blue{&dialog, 0xFF0000FF, {20, 10, 20, 10}};
  FillControl halfGreen{&dialog, 0x8000FF00, {25, 15, 10, 10}};

  void SetSkin(unsigned id = kSkinId) { dialog.SetBackgroundImage(id, u"IMG", Skins(), 1.0); }
  QRgb At(int x, int y) const { return dialog.ComposedImage().pixel(x, y); }
};

TEST_F(LayeredSkinDialogTest, NoBackgroundOrOneWithoutPictureComposesNothing) {
  dialog.AddSkinControl(&red);
  dialog.UpdateLayered();
  red.SetWindowText(u"x");
  EXPECT_EQ(dialog.CompositionCount(), 0);
  EXPECT_TRUE(dialog.mask().isEmpty());
  dialog.SetBackgroundImage(149, u"IMG", nullptr, 1.0);
  ASSERT_NE(dialog.Background(), nullptr);
  EXPECT_TRUE(dialog.ComposedImage().isNull());
  EXPECT_EQ(dialog.CompositionCount(), 0);
}

TEST_F(LayeredSkinDialogTest, TransparentPixelsStayTransparentAndDoNotTakeThePointer) {
  SetSkin();
  EXPECT_EQ(dialog.ComposedImage().size(), QSize(60, 40));
  EXPECT_EQ(At(2, 2), 0u);
  EXPECT_EQ(At(5, 5), kPanel);
  EXPECT_EQ(PaintedBounds(dialog.ComposedImage()), QRect(5, 5, 50, 30));
  EXPECT_EQ(dialog.mask(), QRegion(5, 5, 50, 30));
  SetSkin(21);
  EXPECT_EQ(dialog.mask(), QRegion(0, 0, 10, 10));
  SetSkin();
  // A control painted over the margin makes its pixels hit-testable.
  red.MoveWindow(0, 0, 3, 3);
  dialog.AddSkinControl(&red);
  dialog.UpdateLayered();
  EXPECT_TRUE(dialog.mask().contains(QPoint(1, 1)));
  EXPECT_FALSE(dialog.mask().contains(QPoint(4, 4)));
  // Without per-pixel alpha only opaque pixels stay, so a shadow never shows black.
  halfGreen.MoveWindow(0, 36, 3, 3);
  dialog.AddSkinControl(&halfGreen);
  for (const bool translucent : {true, false}) {
    display.perPixelAlpha = translucent;
    SetSkin();
    dialog.UpdateLayered();
    EXPECT_EQ(dialog.UsesPerPixelAlpha(), translucent);
    EXPECT_EQ(dialog.mask().contains(QPoint(1, 37)), translucent);
    EXPECT_TRUE(dialog.mask().contains(QPoint(1, 1)));
  }
}

TEST_F(LayeredSkinDialogTest, LaterControlsPaintOverEarlierOnesEachOnce) {
  SetSkin();
  dialog.AddSkinControl(&red);
  dialog.AddSkinControl(&blue);
  dialog.AddSkinControl(&halfGreen);
  dialog.AddSkinControl(&blue);
  ASSERT_EQ(dialog.SkinControls().size(), 3u);
  EXPECT_EQ(dialog.SkinControls()[1], &blue);
  dialog.UpdateLayered();
  EXPECT_EQ(At(15, 12), kRed);
  EXPECT_EQ(At(22, 12), 0xFF0000FFu);
  // Half green over the grey panel, painted once: a second coat would pass 192.
  const QRgb overPanel = At(27, 22);
  EXPECT_NEAR(qRed(overPanel), 64, 1);
  EXPECT_NEAR(qGreen(overPanel), 128 + 64, 1);
  // A hidden control is absent until shown again.
  red.ShowControl(SW_HIDE);
  EXPECT_EQ(At(15, 12), kPanel);
  red.ShowControl(SW_SHOW);
  EXPECT_EQ(At(15, 12), kRed);
}

TEST_F(LayeredSkinDialogTest, WindowShowsExactlyTheComposedImage) {
  SetSkin();
  dialog.AddSkinControl(&halfGreen);
  dialog.UpdateLayered();
  QImage shown(60, 40, QImage::Format_ARGB32_Premultiplied);
  shown.fill(0xFFFFFFFF);
  dialog.render(&shown, QPoint(), QRegion(0, 0, 60, 40), QWidget::RenderFlags());
  EXPECT_EQ(shown.pixel(27, 17), At(27, 17));
  EXPECT_EQ(shown.pixel(10, 10), kPanel);
}

// ReleaseSkin is pinned by the dialog's destroy test.
TEST_F(LayeredSkinDialogTest, DestroyedControlsLeaveThePaintOrder) {
  SetSkin();
  auto* temporary = new FillControl(&dialog, 0xFF123456, {40, 20, 5, 5});
  dialog.AddSkinControl(temporary);
  dialog.AddSkinControl(&red);
  delete temporary;
  ASSERT_EQ(dialog.SkinControls().size(), 1u);
  dialog.UpdateLayered();
  EXPECT_EQ(At(42, 22), kPanel);
}

TEST_F(LayeredSkinDialogTest, LayoutRunsOnceBeforeTheFirstShow) {
  dialog.layout = [this](TestDialog& d) {
    d.SetBackgroundImage(kSkinId, u"IMG", Skins(), 1.0);
    d.AddSkinControl(&red);
  };
  dialog.show();
  EXPECT_EQ(dialog.layouts, 1);
  EXPECT_EQ(At(15, 12), kRed);
  // The background composes once and the first full update once more.
  EXPECT_EQ(dialog.CompositionCount(), 2);
  dialog.hide();
  dialog.show();
  EXPECT_EQ(dialog.layouts, 1);
  dialog.hide();
}

TEST_F(LayeredSkinDialogTest, ButtonsTakeTheirPressesAndTheSkinDragsTheWindow) {
  SetSkin();
  CImageButton button(&dialog, 1);
  button.MoveWindow(8, 8, 10, 10);
  CTextLabel label(&dialog, 2);
  label.MoveWindow(30, 8, 10, 10);
  dialog.show();
  QWindow* window = dialog.windowHandle();
  ASSERT_NE(window, nullptr);
  const QPoint start = dialog.pos();

  // Through the window system, as real input arrives: a press on the button is the
  // button's and does not move the window.
  QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, QPoint(12, 12));
  QTest::mouseMove(window, QPoint(16, 16));
  QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, QPoint(16, 16));
  EXPECT_EQ(dialog.pos(), start);

  // A press on a label reaches the skin, which drags. The pointer stays put while
  // the window follows it: in window terms it is back where it was pressed.
  QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, QPoint(35, 12));
  QTest::mouseMove(window, QPoint(45, 20));
  QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, QPoint(35, 12));
  EXPECT_EQ(dialog.pos(), start + QPoint(10, 8));
  // Later pointer moves without the button do not move it.
  QTest::mouseMove(window, QPoint(20, 25));
  EXPECT_EQ(dialog.pos(), start + QPoint(10, 8));
  dialog.hide();
}

TEST(CentreInWorkArea, TruncatesTowardZero) {
  const struct {
    const char* name;
    platform::ScreenRect workArea;
    int width;
    int height;
    WindowOrigin expected;
  } cases[] = {
      {"half-size skin on a small screen", {0, 0, 1366, 728}, 780, 620, {293, 54}},
      {"odd width truncates", {0, 0, 1365, 728}, 780, 620, {292, 54}},
      // B - T - H = -1: -1 / 2 is 0, so the window starts at the work area's top.
      {"one pixel short stays at the top", {0, 40, 1366, 659}, 780, 620, {293, 40}},
      {"task bar on the left", {60, 0, 1426, 728}, 780, 620, {353, 54}},
      // Never before the work area: the close button in the corner stays reachable.
      {"larger than the work area starts at its edge", {10, 20, 1365, 728}, 1560, 1240, {10, 20}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CentreInWorkArea(c.workArea, c.width, c.height), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace tbt::skin
