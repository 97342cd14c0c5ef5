#include "dialog/PixelColorMatrix.h"

#include <algorithm>
#include <cmath>

namespace tbt::skin {

namespace {

uint32_t ToByte(float component) {
  const float clamped = std::clamp(component, 0.0f, 1.0f);
  return static_cast<uint32_t>(std::lround(clamped * 255.0f));
}

float Channel(uint32_t argb, int shift) {
  return static_cast<float>((argb >> shift) & 0xFFu) / 255.0f;
}

}  // namespace

uint32_t ApplyColorMatrix(const ColorMatrix& matrix, uint32_t argb) {
  const float in[5] = {Channel(argb, 16), Channel(argb, 8), Channel(argb, 0), Channel(argb, 24),
                       1.0f};
  float out[4] = {0, 0, 0, 0};
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 5; ++row) {
      out[column] += in[row] * matrix[row][column];
    }
  }
  return (ToByte(out[3]) << 24) | (ToByte(out[0]) << 16) | (ToByte(out[1]) << 8) | ToByte(out[2]);
}

void ApplyColorMatrixToPixels(const ColorMatrix& matrix, uint32_t* pixels, std::size_t count) {
  if (pixels == nullptr) {
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    pixels[i] = ApplyColorMatrix(matrix, pixels[i]);
  }
}

}  // namespace tbt::skin
