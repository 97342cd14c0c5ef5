#pragma once

// Shared pieces of the skin tests: the offscreen application, folders of test
// images, a host that records repaint requests and pixel helpers.

#include <QImage>
#include <QTemporaryDir>

#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "skin/ResourceImage.h"
#include "skin/SkinControl.h"
#include "skin/SkinHost.h"

namespace tbt::skin::test {

/// A folder of PNG images laid out as a resource module ("img/<id>.png").
class TempImageModule {
 public:
  TempImageModule();
  /// Saves `picture` as image `id` of type "IMG".
  void Add(unsigned id, const QImage& picture);
  /// Stores raw bytes as image `id` (for undecodable files).
  void AddRaw(unsigned id, const QByteArray& bytes);
  const CResourceModule* Module() const { return &m_module; }

 private:
  QTemporaryDir m_dir;
  CResourceModule m_module;
};

/// An un-premultiplied ARGB picture of one colour.
QImage Solid(int width, int height, QRgb argb);

/// A host that records every repaint request, optionally running a callback.
class RecordingHost : public ISkinHost {
 public:
  void OnChildChanged(CSkinControl* pChild) override;
  int Requests() const { return m_requests; }
  std::function<void(CSkinControl*)> onRequest;

 private:
  int m_requests = 0;
};

/// A work area fixed by the test.
class FakeDisplay : public platform::IDisplay {
 public:
  explicit FakeDisplay(platform::ScreenRect area) : m_area(area) {}
  platform::ScreenSize DesktopSize() override { return {m_area.right, m_area.bottom}; }
  platform::ScreenRect WorkArea() override { return m_area; }
  int LogPixelsY() override { return 96; }

 private:
  platform::ScreenRect m_area;
};

/// The smallest rectangle holding every pixel whose alpha is not 0 (null if none).
QRect PaintedBounds(const QImage& image);

/// The pixel at (x, y), un-premultiplied.
QRgb PixelAt(const QImage& image, int x, int y);

/// A transparent 96-dpi premultiplied surface, as the dialog composes on.
QImage Surface(int width, int height);

}  // namespace tbt::skin::test
