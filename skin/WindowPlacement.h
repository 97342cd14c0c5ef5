#pragma once

// Where the skinned window goes on the screen.

#include "platform/Platform.h"

namespace tbt::skin {

/// Top-left corner of a window.
struct WindowOrigin {
  int x = 0;
  int y = 0;

  bool operator==(const WindowOrigin&) const = default;
};

/// Centres a width x height window in the work area: x = L + (R - L - W) / 2 and
/// y = T + (B - T - H) / 2, each division truncating toward zero, so a window larger
/// than the work area overhangs it by half the excess on each side.
WindowOrigin CentreInWorkArea(const platform::ScreenRect& workArea, int width, int height);

}  // namespace tbt::skin
