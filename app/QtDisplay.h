#pragma once

// The screen as the dialog's layout sees it, read from Qt's screens.

#include "platform/Platform.h"

class QScreen;

namespace tbt::app {

/// IDisplay over the primary QScreen: the desktop is the virtual geometry of all
/// screens, the work area is the primary screen's available geometry, both in
/// device-independent pixels.
class QtDisplay final : public platform::IDisplay {
 public:
  /// Size of the virtual desktop; 0 x 0 without any screen.
  platform::ScreenSize DesktopSize() override;
  /// The primary screen's available geometry with exclusive right and bottom edges.
  platform::ScreenRect WorkArea() override;
  /// The primary screen's logical vertical DPI, rounded; 96 without any screen.
  int LogPixelsY() override;
  /// The primary screen's device pixel ratio; 1 without any screen.
  double DevicePixelRatio() override;
  /// On X11, whether a compositing manager runs (it owns _NET_WM_CM_S0); every other
  /// window system composes translucent windows itself.
  bool HasPerPixelAlpha() override;
};

}  // namespace tbt::app
