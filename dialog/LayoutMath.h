#pragma once

// The dialog's layout arithmetic as plain functions, so positions, the layout
// class and text sizes can be checked without painting anything.

#include <cstdint>

#include "platform/Platform.h"

namespace tbt::ui {

/// Layout class before the first layout.
inline constexpr int kLayoutNotLaidOut = -1;
/// Half-size layout, for work areas that can't hold the full one.
inline constexpr int kLayoutCompact = 0;
/// Full-size layout, only where the whole window fits the work area.
inline constexpr int kLayoutFull = 1;
/// The window's size in the full layout (the background's design size).
inline constexpr int kFullLayoutWidth = 1560;
inline constexpr int kFullLayoutHeight = 1240;

/// The layout class for a work area in device-independent pixels: the full layout
/// only when the full-size window fits it in both directions, so that its close
/// button and Update button are never off screen.
constexpr int LayoutClassFor(platform::ScreenRect workArea) {
  return (workArea.right - workArea.left >= kFullLayoutWidth &&
          workArea.bottom - workArea.top >= kFullLayoutHeight)
             ? kLayoutFull
             : kLayoutCompact;
}

/// The factor by which design units become pixels: 1.0 for the full layout, else 0.5.
constexpr double LayoutFactor(int layoutClass) {
  return layoutClass == kLayoutFull ? 1.0 : 0.5;
}

/// A design-unit value times the factor, truncated toward zero (1109 at 0.5 gives 554).
constexpr int ScaleDesignUnits(int value, double factor) {
  return static_cast<int>(static_cast<double>(value) * factor);
}

/// A rectangle as x, y, width and height.
struct LayoutRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend constexpr bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

/// Each member of a design-unit rectangle scaled on its own, as the layout places controls.
constexpr LayoutRect ScaleDesignRect(LayoutRect design, double factor) {
  return {ScaleDesignUnits(design.x, factor), ScaleDesignUnits(design.y, factor),
          ScaleDesignUnits(design.width, factor), ScaleDesignUnits(design.height, factor)};
}

/// number * numerator / denominator rounded to the nearest integer (halves away from
/// zero); -1 when the denominator is 0 or the result does not fit in 32 bits.
int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator);

/// The pixel em size of a font of base size `baseSize` (20 or 24) at the layout factor
/// and the screen's vertical DPI: MulDiv(trunc(base * factor), dpi, 72) * (96 / dpi).
/// The DPI cancels out, so text keeps its size relative to the skin; a DPI of 0 or
/// less counts as 96.
float TextEmSize(int baseSize, double factor, int dpi);

}  // namespace tbt::ui
