// The repaint rules every skinned control shares.

#include <QWidget>

#include <gtest/gtest.h>

#include "SkinTestSupport.h"
#include "skin/SkinControl.h"

namespace tbt::skin {
namespace {

using test::RecordingHost;

// The smallest concrete control: it paints its rectangle in one colour.
class PlainControl : public CSkinControl {
 public:
  using CSkinControl::CSkinControl;
  void PaintSkin(QPainter& painter) override { painter.fillRect(SkinRect(), Qt::red); }
};

class SkinControlTest : public ::testing::Test {
 protected:
  QWidget parent;
  // The host outlives its controls, as the dialog does.
  RecordingHost host;
  PlainControl control{&parent, 1001};

  void Register() { control.m_pHost = &host; }
};

TEST_F(SkinControlTest, StartsVisibleEnabledAndUnregistered) {
  EXPECT_EQ(control.m_pHost, nullptr);
  EXPECT_EQ(control.m_bDisabled, 0);
  EXPECT_EQ(control.m_bVisible, 1);
  EXPECT_EQ(control.ControlId(), 1001);
  EXPECT_FALSE(control.isHidden());
}

TEST_F(SkinControlTest, FlagsChangeBeforeRegistrationWithoutRequests) {
  control.EnableWindow(false);
  EXPECT_EQ(control.ShowControl(SW_HIDE), 1);
  control.SetWindowText(u"text");
  control.MoveWindow(1, 2, 3, 4);
  EXPECT_EQ(control.m_bDisabled, 1);
  EXPECT_EQ(control.m_bVisible, 0);
  EXPECT_EQ(host.Requests(), 0);
}

TEST_F(SkinControlTest, EnableRepaintsOnlyWhenTheStateChanges) {
  Register();
  const struct {
    bool enable;
    int disabled;
    int requests;
  } steps[] = {{true, 0, 0}, {false, 1, 1}, {false, 1, 1}, {true, 0, 2}, {true, 0, 2}};
  for (const auto& step : steps) {
    control.EnableWindow(step.enable);
    EXPECT_EQ(control.m_bDisabled, step.disabled);
    EXPECT_EQ(host.Requests(), step.requests);
  }
}

TEST_F(SkinControlTest, QtSetEnabledTakesTheSameRoute) {
  Register();
  control.setEnabled(false);
  EXPECT_EQ(control.m_bDisabled, 1);
  EXPECT_EQ(host.Requests(), 1);
}

TEST_F(SkinControlTest, ShowControlRepaintsOnlyOnVisibilityChanges) {
  Register();
  const struct {
    int command;
    int returned;
    int visible;
    int requests;
  } steps[] = {{SW_SHOW, 1, 1, 0}, {SW_HIDE, 1, 0, 1}, {SW_HIDE, 0, 0, 1},
               {1, 0, 1, 2},       {SW_SHOW, 1, 1, 2}, {SW_HIDE, 1, 0, 3}};
  for (const auto& step : steps) {
    EXPECT_EQ(control.ShowControl(step.command), step.returned) << step.command;
    EXPECT_EQ(control.m_bVisible, step.visible);
    EXPECT_EQ(host.Requests(), step.requests);
  }
}

TEST_F(SkinControlTest, HidingByAnotherRouteKeepsItPainted) {
  Register();
  static_cast<QWidget&>(control).hide();
  EXPECT_EQ(control.m_bVisible, 1);
  EXPECT_EQ(host.Requests(), 0);
}

TEST_F(SkinControlTest, EverySetTextRepaintsOnce) {
  Register();
  control.SetWindowText(u"Update");
  control.SetWindowText(u"Update");
  control.SetWindowText(u"");
  EXPECT_EQ(host.Requests(), 3);
  EXPECT_TRUE(control.GetWindowText().isEmpty());
}

TEST_F(SkinControlTest, MoveAndResizeRepaintOncePerChange) {
  control.MoveWindow(10, 20, 30, 40);
  Register();
  const struct {
    const char* what;
    QRect to;
    int requests;
  } steps[] = {{"same place", {10, 20, 30, 40}, 0},
               {"move", {11, 20, 30, 40}, 1},
               {"resize", {11, 20, 31, 40}, 1},
               {"move and resize", {0, 0, 5, 5}, 2}};
  for (const auto& step : steps) {
    const int before = host.Requests();
    control.MoveWindow(step.to.x(), step.to.y(), step.to.width(), step.to.height());
    EXPECT_EQ(host.Requests() - before, step.requests) << step.what;
    EXPECT_EQ(control.geometry(), step.to) << step.what;
  }
}

TEST_F(SkinControlTest, QtPlacementCallsRepaintToo) {
  Register();
  control.setGeometry(QRect(1, 1, 10, 10));
  EXPECT_EQ(host.Requests(), 2);
  control.move(2, 2);
  EXPECT_EQ(host.Requests(), 3);
  control.resize(QSize(12, 10));
  EXPECT_EQ(host.Requests(), 4);
  control.SetWindowPos(2, 2, 12, 10);
  EXPECT_EQ(host.Requests(), 4);
  EXPECT_EQ(control.SkinRect(), QRectF(2, 2, 12, 10));
}

TEST_F(SkinControlTest, OwnWidgetPaintsNothing) {
  control.MoveWindow(0, 0, 16, 16);
  QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
  image.fill(0xFF00FF00);
  control.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  EXPECT_EQ(test::PaintedBounds(image), QRect(0, 0, 16, 16));
  EXPECT_EQ(image.pixel(8, 8), 0xFF00FF00u);
}

}  // namespace
}  // namespace tbt::skin
