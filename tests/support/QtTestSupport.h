#pragma once

// Pieces both Qt test programs share: one offscreen QApplication for the whole
// program and a display whose size, work area and DPI the test sets.

#include <QApplication>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <memory>

#include "platform/Platform.h"

namespace tbt::test {

/// Creates the program's QApplication before the first test, on the offscreen
/// platform unless the environment names another, so tests need no display.
class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
      qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "qt_test";
    static char* argv[] = {name, nullptr};
    m_app = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { m_app.reset(); }

 private:
  std::unique_ptr<QApplication> m_app;
};

/// Registered once per program, however many of its files include this header.
inline ::testing::Environment* const kQtApplication =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

/// A display whose desktop size, work area and DPI the test sets.
class FakeDisplay final : public platform::IDisplay {
 public:
  platform::ScreenSize desktop{1920, 1080};
  platform::ScreenRect workArea{0, 0, 1920, 1040};
  int dpi = 96;
  double pixelRatio = 1.0;
  bool perPixelAlpha = true;

  platform::ScreenSize DesktopSize() override { return desktop; }
  platform::ScreenRect WorkArea() override { return workArea; }
  int LogPixelsY() override { return dpi; }
  double DevicePixelRatio() override { return pixelRatio; }
  bool HasPerPixelAlpha() override { return perPixelAlpha; }
};

}  // namespace tbt::test
