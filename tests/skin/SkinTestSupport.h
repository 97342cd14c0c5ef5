#pragma once

// Shared pieces of the skin tests: folders of test images, a host that records
// repaint requests and pixel helpers.

#include <QImage>
#include <QTemporaryDir>

#include <functional>
#include <initializer_list>
#include <utility>

#include "skin/ImageButton.h"
#include "skin/ResourceImage.h"
#include "skin/SkinControl.h"
#include "skin/SkinHost.h"
#include "tests/support/QtTestSupport.h"

namespace tbt::skin::test {

using tbt::test::FakeDisplay;

/// A folder of PNG images laid out as a resource module ("img/<id>.png").
class TempImageModule {
 public:
  TempImageModule(std::initializer_list<std::pair<unsigned, QImage>> pictures = {});
  /// Saves `picture` as image `id`.
  void Add(unsigned id, const QImage& picture);
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

/// Sends `button` one act: Enter, Leave, Move inside, Outside move while held, Press,
/// Release, release outside (X), Double click, right press (p) and release (r), Space
/// key, return Key, disable (-) or enable (+).
void Act(CImageButton& button, char act);

/// The smallest rectangle holding every pixel whose alpha is not 0 (null if none).
QRect PaintedBounds(const QImage& image);

/// What `control` paints on a fresh surface of the given size.
QImage PaintOf(CSkinControl& control, int width, int height);

}  // namespace tbt::skin::test
