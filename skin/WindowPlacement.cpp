#include "skin/WindowPlacement.h"

namespace tbt::skin {

WindowOrigin CentreInWorkArea(const platform::ScreenRect& workArea, int width, int height) {
  // C++ integer division truncates toward zero, as the placement needs: a work area
  // one pixel short of the window still starts the window at its top, not above it.
  return WindowOrigin{workArea.left + (workArea.right - workArea.left - width) / 2,
                      workArea.top + (workArea.bottom - workArea.top - height) / 2};
}

}  // namespace tbt::skin
