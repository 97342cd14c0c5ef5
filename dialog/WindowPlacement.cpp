#include "dialog/WindowPlacement.h"

#include <algorithm>

namespace tbt::skin {

WindowOrigin CentreInWorkArea(const platform::ScreenRect& workArea, int width, int height) {
  // C++ integer division truncates toward zero, as the placement needs: a work area
  // one pixel short of the window still starts the window at its top, not above it.
  // A window larger than the work area keeps its top-left corner (the title and the
  // close button) on it and overhangs only to the right and below.
  return WindowOrigin{workArea.left + std::max(0, (workArea.right - workArea.left - width) / 2),
                      workArea.top + std::max(0, (workArea.bottom - workArea.top - height) / 2)};
}

}  // namespace tbt::skin
