#pragma once

// 5 x 5 colour matrices on 32-bit ARGB pixels, as the button's disabled and hover looks
// need them; both windows draw those looks from the pixels this code gives.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tbt::skin {

/// Row-vector convention: (R, G, B, A, 1) with components in 0..1 times the matrix;
/// row i weights input component i, column j gives output component j.
using ColorMatrix = std::array<std::array<float, 5>, 5>;

/// Every colour channel becomes 0.3 R + 0.59 G + 0.11 B; alpha unchanged.
inline constexpr ColorMatrix kGrayscaleMatrix = {{
    {0.3f, 0.3f, 0.3f, 0.0f, 0.0f},
    {0.59f, 0.59f, 0.59f, 0.0f, 0.0f},
    {0.11f, 0.11f, 0.11f, 0.0f, 0.0f},
    {0.0f, 0.0f, 0.0f, 1.0f, 0.0f},
    {0.0f, 0.0f, 0.0f, 0.0f, 1.0f},
}};

/// Every colour channel scaled by 1.05 and raised by 0.05 of full scale; alpha unchanged.
inline constexpr ColorMatrix kHoverMatrix = {{
    {1.05f, 0.0f, 0.0f, 0.0f, 0.0f},
    {0.0f, 1.05f, 0.0f, 0.0f, 0.0f},
    {0.0f, 0.0f, 1.05f, 0.0f, 0.0f},
    {0.0f, 0.0f, 0.0f, 1.0f, 0.0f},
    {0.05f, 0.05f, 0.05f, 0.0f, 1.0f},
}};

/// One un-premultiplied ARGB pixel (alpha in the top byte) through the matrix, each
/// result clamped to 0..1 and rounded to the nearest 8-bit step.
uint32_t ApplyColorMatrix(const ColorMatrix& matrix, uint32_t argb);

/// Every one of `count` un-premultiplied ARGB pixels through the matrix, in place.
void ApplyColorMatrixToPixels(const ColorMatrix& matrix, uint32_t* pixels, std::size_t count);

}  // namespace tbt::skin
