#include "skin/AlphaMask.h"

#include <algorithm>
#include <vector>

namespace tbt::skin {

namespace {

// The [begin, end) runs of alpha at least minAlpha in one row.
void RowRuns(const QRgb* line, int width, int minAlpha, std::vector<std::pair<int, int>>& runs) {
  runs.clear();
  int x = 0;
  while (x < width) {
    while (x < width && qAlpha(line[x]) < minAlpha) {
      ++x;
    }
    const int begin = x;
    while (x < width && qAlpha(line[x]) >= minAlpha) {
      ++x;
    }
    if (x > begin) {
      runs.emplace_back(begin, x);
    }
  }
}

}  // namespace

QRegion OpaqueRegion(const QImage& image, int minAlpha) {
  return OpaqueRegion(image, image.rect(), minAlpha);
}

QRegion OpaqueRegion(const QImage& image, const QRect& area, int minAlpha) {
  const QRect scan = area & image.rect();
  if (image.isNull() || scan.isEmpty()) {
    return QRegion();
  }
  const QImage argb = image.format() == QImage::Format_ARGB32_Premultiplied ||
                              image.format() == QImage::Format_ARGB32
                          ? image
                          : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);

  // Bands of identical rows become one rectangle per run; the result is y-x sorted
  // and non-overlapping, as QRegion::setRects needs.
  std::vector<QRect> rects;
  std::vector<std::pair<int, int>> previous;
  std::vector<std::pair<int, int>> current;
  size_t bandStart = 0;
  for (int y = scan.top(); y <= scan.bottom(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y)) + scan.left();
    RowRuns(line, scan.width(), std::max(1, minAlpha), current);
    if (y > scan.top() && current == previous) {
      for (size_t i = bandStart; i < rects.size(); ++i) {
        rects[i].setBottom(y);
      }
      continue;
    }
    bandStart = rects.size();
    for (const auto& [begin, end] : current) {
      rects.emplace_back(scan.left() + begin, y, end - begin, 1);
    }
    previous.swap(current);
  }
  QRegion region;
  if (!rects.empty()) {
    region.setRects(rects.data(), static_cast<int>(rects.size()));
  }
  return region;
}

}  // namespace tbt::skin
