#include "skin/ColorMatrix.h"

#include <algorithm>
#include <cmath>

namespace tbt::skin {

namespace {

int ToByte(float component) {
  const float clamped = std::clamp(component, 0.0f, 1.0f);
  return static_cast<int>(std::lround(clamped * 255.0f));
}

}  // namespace

QRgb ApplyColorMatrix(const ColorMatrix& matrix, QRgb argb) {
  const float in[5] = {qRed(argb) / 255.0f, qGreen(argb) / 255.0f, qBlue(argb) / 255.0f,
                       qAlpha(argb) / 255.0f, 1.0f};
  float out[4] = {0, 0, 0, 0};
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 5; ++row) {
      out[column] += in[row] * matrix[row][column];
    }
  }
  return qRgba(ToByte(out[0]), ToByte(out[1]), ToByte(out[2]), ToByte(out[3]));
}

QImage ApplyColorMatrix(const ColorMatrix& matrix, const QImage& picture) {
  if (picture.isNull()) {
    return QImage();
  }
  QImage result = picture.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < result.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
    for (int x = 0; x < result.width(); ++x) {
      line[x] = ApplyColorMatrix(matrix, line[x]);
    }
  }
  return result;
}

}  // namespace tbt::skin
