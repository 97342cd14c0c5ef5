#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

#include "SkinTestSupport.h"
#include "skin/SkinControl.h"

namespace tbt::skin {
namespace {

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
  test::RecordingHost host;
  PlainControl control{&parent, 1001};
};

TEST_F(SkinControlTest, EachChangeOfLookRepaintsOnceAndNothingElseDoes) {
  control.MoveWindow(10, 20, 30, 40);
  control.m_pHost = &host;
  CSkinControl& c = control;
  const struct {
    const char* what;
    std::function<void()> act;
    int requests;
    int disabled;
    int visible;
  } steps[] = {
      {"enable when enabled", [&] { EXPECT_FALSE(c.EnableWindow(true)); }, 0, 0, 1},
      {"disable", [&] { EXPECT_FALSE(c.EnableWindow(false)); }, 1, 1, 1},
      {"disable again", [&] { EXPECT_TRUE(c.EnableWindow(false)); }, 0, 1, 1},
      {"enable", [&] { c.EnableWindow(true); }, 1, 0, 1},
      {"Qt disable", [&] { c.setEnabled(false); }, 1, 1, 1},
      {"Qt enable", [&] { c.setEnabled(true); }, 1, 0, 1},
      {"show when shown", [&] { EXPECT_EQ(c.ShowControl(SW_SHOW), 1); }, 0, 0, 1},
      {"hide", [&] { EXPECT_EQ(c.ShowControl(SW_HIDE), 1); }, 1, 0, 0},
      {"hide again", [&] { EXPECT_EQ(c.ShowControl(SW_HIDE), 0); }, 0, 0, 0},
      {"show", [&] { EXPECT_EQ(c.ShowControl(SW_SHOW), 0); }, 1, 0, 1},
      {"Qt hide keeps it painted", [&] { static_cast<QWidget&>(c).hide(); }, 0, 0, 1},
      {"text", [&] { c.SetWindowText(u"Update"); }, 1, 0, 1},
      {"same text", [&] { c.SetWindowText(u"Update"); }, 1, 0, 1},
      {"same place", [&] { c.MoveWindow(10, 20, 30, 40); }, 0, 0, 1},
      {"move", [&] { c.MoveWindow(11, 20, 30, 40); }, 1, 0, 1},
      {"resize", [&] { c.MoveWindow(11, 20, 31, 40); }, 1, 0, 1},
      {"move and resize", [&] { c.MoveWindow(0, 0, 5, 5); }, 2, 0, 1},
      {"same place as Win32", [&] { c.SetWindowPos(0, 0, 5, 5); }, 0, 0, 1},
  };
  for (const auto& step : steps) {
    const int before = host.Requests();
    step.act();
    EXPECT_EQ(host.Requests() - before, step.requests) << step.what;
    EXPECT_EQ(c.m_bDisabled, step.disabled) << step.what;
    EXPECT_EQ(c.m_bVisible, step.visible) << step.what;
  }
  EXPECT_EQ(c.SkinRect(), QRectF(0, 0, 5, 5));
}

}  // namespace
}  // namespace tbt::skin
