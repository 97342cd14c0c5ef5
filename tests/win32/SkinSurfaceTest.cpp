// The Win32 surface's composed image: the button's look in each state (its own images,
// the grey and hover matrices on a known pixel, the pressed shift), text placed and cut
// in its box, hidden controls absent, and which pixels take the pointer.

#include <gtest/gtest.h>

#include <memory>

#include "win32/GdiplusSession.h"
#include "win32/LayeredWindow.h"
#include "win32/SkinControls.h"

namespace tbt::win32 {
namespace {

constexpr uint32_t kNormal = 0xFFC86428;  // (200, 100, 40)
constexpr uint32_t kDisabled = 0xFF808080;
constexpr uint32_t kHover = 0xFF00FF00;
constexpr uint32_t kPressed = 0xFF0000FF;

std::unique_ptr<Gdiplus::Bitmap> Solid(int width, int height, uint32_t argb) {
  auto bitmap = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
  Gdiplus::Graphics graphics(bitmap.get());
  graphics.Clear(Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb)));
  return bitmap;
}

class SkinSurfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gdiplus.Started());
    surface.SetBackground(Solid(40, 30, 0x00000000));  // fully transparent
  }
  uint32_t At(int x, int y) const {
    return surface.Pixels()[static_cast<size_t>(y * surface.Width() + x)];
  }

  GdiplusSession gdiplus;
  LayeredWindow surface;  // never shown: it composes without a window
};

TEST_F(SkinSurfaceTest, ButtonShowsTheLookOfEachState) {
  enum class Action { None, Hover, HoverPress, Press, Disable };
  struct {
    const char* name;
    bool ownImages;  // disabled, hover and pressed images of its own
    Action action;
    uint32_t inside;  // at (15, 15)
    uint32_t corner;  // at (10, 10), the top-left pixel of the button
  } const cases[] = {
      {"normal", true, Action::None, kNormal, kNormal},
      {"hover image", true, Action::Hover, kHover, kHover},
      {"hover matrix", false, Action::Hover, 0xFFDF7637, 0xFFDF7637},
      {"pressed image", true, Action::HoverPress, kPressed, kPressed},
      {"pressed shift", false, Action::HoverPress, kNormal, 0x00000000},
      {"press without hover", true, Action::Press, kNormal, kNormal},
      {"disabled image", true, Action::Disable, kDisabled, kDisabled},
      {"grey matrix", false, Action::Disable, 0xFF7B7B7B, 0xFF7B7B7B},
  };
  for (const auto& c : cases) {
    SkinButton button(7);
    button.SetRect({10, 10, 20, 10});
    button.SetImages(Solid(20, 10, kNormal), c.ownImages ? Solid(20, 10, kDisabled) : nullptr,
                     c.ownImages ? Solid(20, 10, kHover) : nullptr,
                     c.ownImages ? Solid(20, 10, kPressed) : nullptr);
    surface.AddControl(&button);
    if (c.action == Action::Hover || c.action == Action::HoverPress) {
      button.OnHover();
    }
    if (c.action == Action::HoverPress || c.action == Action::Press) {
      button.OnPress();
    }
    if (c.action == Action::Disable) {
      button.Enable(false);
    }
    surface.Recompose();
    EXPECT_EQ(At(15, 15), c.inside) << c.name;
    EXPECT_EQ(At(10, 10), c.corner) << c.name;
    EXPECT_EQ(surface.ButtonAt(15, 15) == &button, c.action != Action::Disable) << c.name;
    button.Show(false);  // leaves the surface's list harmlessly hidden
  }
}

TEST_F(SkinSurfaceTest, TextStaysInItsBoxAndHiddenControlsLeaveNoPixels) {
  SkinLabel label(1);
  label.SetRect({5, 5, 30, 12});
  label.SetTextFont(L"Segoe WP", 10.0f, 0);
  label.SetTextAlign(0, 0);
  label.SetTextColor(0xFF000000);
  label.SetText(L"Words that wrap and run on past the bottom of the box");
  surface.AddControl(&label);
  surface.Recompose();

  int inside = 0;
  for (int y = 0; y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) {
      const bool inBox = x >= 5 && x < 35 && y >= 5 && y < 17;
      if (inBox) {
        inside += (At(x, y) >> 24) != 0 ? 1 : 0;
      } else {
        ASSERT_EQ(At(x, y), 0u) << x << "," << y;
      }
    }
  }
  EXPECT_GT(inside, 20);  // drawn with a real font, not left out
  EXPECT_FALSE(surface.TakesPointerAt(0, 0));

  label.Show(false);
  for (const uint32_t pixel : surface.Pixels()) {
    ASSERT_EQ(pixel, 0u);
  }
}

}  // namespace
}  // namespace tbt::win32
