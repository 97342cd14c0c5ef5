#include <gtest/gtest.h>

#include <QFontInfo>
#include <QRect>

#include "DialogFixture.h"
#include "dialog/DialogLayout.h"
#include "dialog/LayoutMath.h"
#include "skin/Fonts.h"

namespace tbt::ui::testing {
namespace {

using LayoutTest = DialogTest;

double PixelSizeOf(const QFont& font) {
  return font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * 96.0 / 72.0;
}

TEST_F(LayoutTest, PlacesEveryControlForTheWorkAreaAndCentresTheWindowSharply) {
  struct Case {
    platform::ScreenRect workArea;  // device-independent pixels
    double ratio;
    int layoutClass;
    QRect window;
    QRect update;
  };
  const QRect compactUpdate{568, 554, 184, 38};
  const QRect fullUpdate{1136, 1109, 368, 76};
  const Case cases[] = {
      {{0, 0, 1920, 1040}, 1.0, kLayoutCompact, {570, 210, 780, 620}, compactUpdate},
      // 1920 x 1080 at 200 %: even the compact window is taller; its top stays on screen.
      {{0, 0, 960, 520}, 2.0, kLayoutCompact, {90, 0, 780, 620}, compactUpdate},
      {{0, 0, 1706, 920}, 1.5, kLayoutCompact, {463, 150, 780, 620}, compactUpdate},
      {{0, 0, 2560, 1400}, 1.0, kLayoutFull, {500, 80, 1560, 1240}, fullUpdate},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.workArea.right) + "x" + std::to_string(c.workArea.bottom) +
                 " at " + std::to_string(c.ratio));
    display.workArea = c.workArea;
    display.pixelRatio = c.ratio;
    CreateDialog();
    EXPECT_EQ(dialog->layoutClass, c.layoutClass);
    // Drawn from the full-size artwork with a device pixel for every device pixel.
    EXPECT_EQ(dialog->ComposedImage().size(), c.window.size() * c.ratio);
    EXPECT_EQ(dialog->ComposedImage().devicePixelRatio(), c.ratio);
    EXPECT_EQ(dialog->ComposedImage().format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(dialog->geometry(), c.window);
    EXPECT_EQ(dialog->btnUpdate.geometry(), c.update);
    // Images come at the layout factor: the busy frame is 66 or 132 pixels wide.
    ASSERT_NE(dialog->lblBusy.Image(), nullptr);
    EXPECT_EQ(dialog->lblBusy.Image()->GetWidth(), c.layoutClass == kLayoutFull ? 132 : 66);
    EXPECT_EQ(dialog->lblBusy.Image()->Picture().width(),
              qRound((c.layoutClass == kLayoutFull ? 132 : 66) * c.ratio));

    // The emulated marker is painted last, over everything else.
    const skin::CTextLabel* marker = dialog->EmulatedMarker();
    ASSERT_EQ(dialog->SkinControls().back(), marker);
    EXPECT_FALSE(marker->geometry().isEmpty());
  }
}

TEST_F(LayoutTest, FontsFollowTheUiLanguageAndTextsTheTextLanguage) {
  const struct {
    uint16_t uiLanguage;
    uint16_t textLanguage;
    std::u16string caption;
    const char* family;  // of captions and texts alike
    QFont::Weight captionWeight;
  } cases[] = {
      {0x0411, 0x0409, u"Update", "Noto Sans CJK JP", QFont::Bold},
      {0x0409, 0x0411, kUpdateJa, "Noto Sans", QFont::DemiBold},
      {0x0C04, 0x0409, u"Update", "Noto Sans CJK TC", QFont::Bold},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.uiLanguage);
    options.uiLanguage = c.uiLanguage;
    dialog.reset();
    machine = emulated::CreateEmulatedPlatform(options);
    dialog = std::make_unique<CFwUpdateDlg>(*machine, display, ProgramVersion{1, 0, 0, 9},
                                            std::make_unique<SteppedRunner>());
    EXPECT_EQ(dialog->langId, c.uiLanguage);
    dialog->langId = c.textLanguage;  // as /LID: would set it
    dialog->OnInitDialog();
    EXPECT_EQ(TextOf(dialog->btnUpdate), c.caption);
    for (const auto& font :
         {dialog->btnUpdate.Font().value(), dialog->btnLater.Font().value(),
          dialog->lblMessage.Font().value(), dialog->lblCaution.Font().value()}) {
      EXPECT_EQ(QFontInfo(font).family(), c.family);
    }
    EXPECT_EQ(dialog->btnUpdate.Font()->weight(), c.captionWeight);
    EXPECT_EQ(dialog->lblMessage.Font()->weight(), QFont::Normal);
  }
}

TEST_F(LayoutTest, TextSizesStayTheSameRelativeToTheSkinAtAnyDpi) {
  struct Case {
    int dpi;
    platform::ScreenRect workArea;
    double caption;
    double version;
  };
  const Case cases[] = {
      {96, {0, 0, 2560, 1400}, 32.0, 27.0},
      {144, {0, 0, 2560, 1400}, 32.0, 26.667},
      {144, {0, 0, 1920, 1040}, 16.0, 13.333},
  };
  for (const Case& c : cases) {
    display.dpi = c.dpi;
    display.workArea = c.workArea;
    CreateDialog();
    const auto where = std::to_string(c.dpi) + " dpi, " + std::to_string(c.workArea.right);
    EXPECT_NEAR(PixelSizeOf(*dialog->btnUpdate.Font()), c.caption, 0.01) << where;
    EXPECT_NEAR(PixelSizeOf(*dialog->lblMessage.Font()), c.caption, 0.01) << where;
    EXPECT_NEAR(PixelSizeOf(*dialog->lblVersion.Font()), c.version, 0.01) << where;
  }
}

TEST_F(LayoutTest, ReLayoutOnlyWhenTheLayoutClassChangesEvenWhileRunningAndKeepTheState) {
  PutImage();
  CreateDialog();
  // Same class: nothing is recomposed.
  const int compositions = dialog->CompositionCount();
  display.workArea = {0, 0, 1600, 860};
  dialog->OnDisplayChange();
  EXPECT_EQ(dialog->CompositionCount(), compositions);
  EXPECT_EQ(dialog->layoutClass, kLayoutCompact);

  // Another class while the worker runs: laid out inside the waiting loop.
  runner->timeouts = 4;
  std::vector<int> busyWidths;
  dialog->SetBusyFrameObserver([&](int frame) {
    busyWidths.push_back(dialog->lblBusy.Image()->GetWidth());
    if (frame == 142) {
      display.workArea = {0, 0, 2560, 1400};
      QMetaObject::invokeMethod(
          dialog.get(), [this] { dialog->OnDisplayChange(); }, Qt::QueuedConnection);
    }
    if (frame == 143) {
      EXPECT_EQ(dialog->layoutClass, kLayoutFull);
      ExpectLook(*dialog, DialogState::Running);
    }
  });
  dialog->OnButtonUpdate();
  EXPECT_EQ(busyWidths, (std::vector<int>{66, 66, 132, 132}));
  EXPECT_EQ(dialog->btnShutdown.geometry(), QRect(466, 1109, 508, 76));

  // And back: the result's look and message stay, each control registered once.
  display.workArea = {0, 0, 1920, 1040};
  dialog->OnDisplayChange();
  EXPECT_EQ(dialog->layoutClass, kLayoutCompact);
  ExpectLook(*dialog, DialogState::Succeeded);
  EXPECT_EQ(TextOf(dialog->lblMessage), kSuccessEn);
  EXPECT_EQ(dialog->SkinControls().size(), kPlacements.size() + 1);
}

// The full window is 1560 x 1240 device-independent pixels; the dialog's layout test
// takes common screens and scalings, this one the edges.
TEST(LayoutMath, ChoosesTheFullLayoutOnlyWhenTheWholeWindowFitsTheWorkArea) {
  const std::pair<platform::ScreenRect, int> cases[] = {
      {{0, 0, 1560, 1240}, kLayoutFull},       {{0, 0, 1559, 1240}, kLayoutCompact},
      {{0, 0, 1560, 1239}, kLayoutCompact},    {{100, 50, 1660, 1290}, kLayoutFull},
      {{100, 50, 1659, 1290}, kLayoutCompact},
  };
  for (const auto& [area, expected] : cases) {
    EXPECT_EQ(LayoutClassFor(area), expected) << area.left << " " << area.right;
  }
}

// The window passes positive sizes and a fixed divisor of 72; only a DPI far out of
// range overflows.
TEST(LayoutMath, MulDivRoundsHalvesUpAndRefusesAnOverflow) {
  EXPECT_EQ(MulDiv(20, 96, 72), 27);
  EXPECT_EQ(MulDiv(1, 1, 2), 1);
  EXPECT_EQ(MulDiv(0x7FFFFFFF, 2, 1), -1);
  EXPECT_EQ(MulDiv(0x7FFFFFFF, 2, 2), 0x7FFFFFFF);
}

}  // namespace
}  // namespace tbt::ui::testing
