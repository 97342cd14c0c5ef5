// The Qt window and the Win32 window compose the same dialog: their full-size pictures
// of the same state (written by scripts/demo.sh and scripts/demo-windows.sh) agree
// pixel for pixel outside the boxes that hold text, where fonts and rasterisers differ.
// Runs only when both picture folders are named, TBT_QT_PICTURES (the full-size folder
// of scripts/demo.sh) and TBT_WIN32_PICTURES (that of scripts/demo-windows.sh).

#include <gtest/gtest.h>

#include <QImage>
#include <QRect>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "dialog/DialogLayout.h"

namespace tbt::ui {
namespace {

// Text boxes of the full layout, one pixel wider on each side for the pressed caption's
// shift and the edge of anti-aliased glyphs.
std::vector<QRect> TextBoxes() {
  std::vector<QRect> boxes;
  for (const TextStyle& style : kTextStyles) {
    const LayoutRect rect = PixelRectOf(style.id, kLayoutFull);
    boxes.emplace_back(rect.x - 1, rect.y - 1, rect.width + 2, rect.height + 2);
  }
  const LayoutRect marker = ScaleDesignRect(kEmulatedMarkerDesign, LayoutFactor(kLayoutFull));
  boxes.emplace_back(marker.x - 1, marker.y - 1, marker.width + 2, marker.height + 2);
  return boxes;
}

bool Near(QRgb a, QRgb b) {
  return std::abs(qAlpha(a) - qAlpha(b)) <= 1 && std::abs(qRed(a) - qRed(b)) <= 1 &&
         std::abs(qGreen(a) - qGreen(b)) <= 1 && std::abs(qBlue(a) - qBlue(b)) <= 1;
}

TEST(SameDialogTest, BothWindowsComposeTheSamePixelsOutsideTheTextBoxes) {
  const char* qtFolder = std::getenv("TBT_QT_PICTURES");
  const char* win32Folder = std::getenv("TBT_WIN32_PICTURES");
  if (qtFolder == nullptr || win32Folder == nullptr) {
    GTEST_SKIP() << "TBT_QT_PICTURES and TBT_WIN32_PICTURES name no picture folders";
  }
  const std::vector<QRect> boxes = TextBoxes();
  for (const char* state : {"ready", "running", "finished"}) {
    // Compared premultiplied, as both windows compose: a PNG's straight colours of a
    // nearly transparent pixel say more than the window shows.
    const QImage qt = QImage(QString("%1/%2.png").arg(qtFolder, state))
                          .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage win32 = QImage(QString("%1/%2.png").arg(win32Folder, state))
                             .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_EQ(qt.size(), QSize(kDesignWidth, kDesignHeight)) << state;
    ASSERT_EQ(win32.size(), qt.size()) << state;
    int differing = 0;
    for (int y = 0; y < qt.height(); ++y) {
      const auto* qtRow = reinterpret_cast<const QRgb*>(qt.constScanLine(y));
      const auto* win32Row = reinterpret_cast<const QRgb*>(win32.constScanLine(y));
      for (int x = 0; x < qt.width(); ++x) {
        const bool inText = std::any_of(boxes.begin(), boxes.end(),
                                        [&](const QRect& box) { return box.contains(x, y); });
        differing += !inText && !Near(qtRow[x], win32Row[x]) ? 1 : 0;
      }
    }
    EXPECT_EQ(differing, 0) << state;
  }
}

}  // namespace
}  // namespace tbt::ui
