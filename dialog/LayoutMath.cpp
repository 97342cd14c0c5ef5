#include "dialog/LayoutMath.h"

#include <limits>

namespace tbt::ui {

namespace {

// Text sizes are designed at 96 DPI in points (72 to the inch); an unknown DPI counts
// as the designed one.
constexpr int kDesignDpi = 96;
constexpr int kPointsPerInch = 72;

}  // namespace

int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator) {
  if (denominator == 0) {
    return -1;
  }
  const int64_t product = static_cast<int64_t>(number) * numerator;
  const bool negative = (product < 0) != (denominator < 0);
  const uint64_t magnitude =
      product < 0 ? static_cast<uint64_t>(-product) : static_cast<uint64_t>(product);
  const uint64_t divisor = denominator < 0
                               ? static_cast<uint64_t>(-static_cast<int64_t>(denominator))
                               : static_cast<uint64_t>(denominator);
  const uint64_t rounded = (magnitude + divisor / 2) / divisor;
  if (rounded > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
    return -1;
  }
  const auto value = static_cast<int32_t>(rounded);
  return negative ? -value : value;
}

float TextEmSize(int baseSize, double factor, int dpi) {
  if (dpi <= 0) {
    dpi = kDesignDpi;
  }
  const float ratio = static_cast<float>(kDesignDpi) / static_cast<float>(dpi);
  const int scaledBase = ScaleDesignUnits(baseSize, factor);
  return static_cast<float>(MulDiv(scaledBase, dpi, kPointsPerInch)) * ratio;
}

}  // namespace tbt::ui
