#include "app/QtDisplay.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <cstdlib>
#include <memory>

#ifdef TBT_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace tbt::app {

platform::ScreenSize QtDisplay::DesktopSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    return {};
  }
  const QRect desktop = screen->virtualGeometry();
  return {desktop.width(), desktop.height()};
}

platform::ScreenRect QtDisplay::WorkArea() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    return {};
  }
  // QRect::right() is inclusive; the work area's right and bottom are exclusive.
  const QRect area = screen->availableGeometry();
  return {area.x(), area.y(), area.x() + area.width(), area.y() + area.height()};
}

int QtDisplay::LogPixelsY() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    return 96;
  }
  const int dpi = static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
  return dpi > 0 ? dpi : 96;
}

double QtDisplay::DevicePixelRatio() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double ratio = screen == nullptr ? 1.0 : screen->devicePixelRatio();
  return ratio > 0 ? ratio : 1.0;
}

bool QtDisplay::HasPerPixelAlpha() {
#ifdef TBT_HAVE_XCB
  auto* x11 =
      qGuiApp == nullptr ? nullptr : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 == nullptr ? nullptr : x11->connection();
  if (connection == nullptr) {
    return true;
  }
  // A compositing manager announces itself by owning this selection.
  static constexpr char kSelection[] = "_NET_WM_CM_S0";
  const auto freeReply = [](void* reply) { std::free(reply); };
  const std::unique_ptr<xcb_intern_atom_reply_t, decltype(freeReply)> atom(
      xcb_intern_atom_reply(
          connection, xcb_intern_atom(connection, 0, sizeof kSelection - 1, kSelection), nullptr),
      freeReply);
  if (!atom) {
    return true;
  }
  const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(freeReply)> owner(
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom),
                                    nullptr),
      freeReply);
  return owner && owner->owner != XCB_NONE;
#else
  return true;
#endif
}

}  // namespace tbt::app
