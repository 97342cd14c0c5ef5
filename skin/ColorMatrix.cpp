#include "skin/ColorMatrix.h"

namespace tbt::skin {

QImage ApplyColorMatrix(const ColorMatrix& matrix, const QImage& picture) {
  if (picture.isNull()) {
    return QImage();
  }
  QImage result = picture.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < result.height(); ++y) {
    // Format_ARGB32 rows are 32-bit pixels with alpha in the top byte, as the shared
    // code reads them.
    ApplyColorMatrixToPixels(matrix, reinterpret_cast<uint32_t*>(result.scanLine(y)),
                             static_cast<std::size_t>(result.width()));
  }
  return result;
}

}  // namespace tbt::skin
