#include "ui/QtDisplay.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace tbt::ui {

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

}  // namespace tbt::ui
