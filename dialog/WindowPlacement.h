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
/// y = T + (B - T - H) / 2, each division truncating toward zero. A window larger than
/// the work area starts at its left or top edge rather than before it.
WindowOrigin CentreInWorkArea(const platform::ScreenRect& workArea, int width, int height);

}  // namespace tbt::skin
