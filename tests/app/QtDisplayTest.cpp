#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "app/QtDisplay.h"

namespace tbt::app {
namespace {

TEST(QtDisplay, ReportsThePrimaryScreenWithExclusiveEdges) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  QtDisplay display;
  const platform::ScreenSize desktop = display.DesktopSize();
  EXPECT_EQ(desktop.width, screen->virtualGeometry().width());
  EXPECT_EQ(desktop.height, screen->virtualGeometry().height());
  const QRect available = screen->availableGeometry();
  const platform::ScreenRect area = display.WorkArea();
  EXPECT_EQ(area.left, available.left());
  EXPECT_EQ(area.top, available.top());
  // A work area's right edge is one past its last column (QRect::right() is the last).
  EXPECT_EQ(area.right - area.left, available.width());
  EXPECT_EQ(area.bottom - area.top, available.height());
  EXPECT_GT(display.LogPixelsY(), 0);
  EXPECT_EQ(display.LogPixelsY(), qRound(screen->logicalDotsPerInchY()));
}

}  // namespace
}  // namespace tbt::app
