#pragma once

// 5 x 5 colour matrices applied to pictures, as the button's disabled and hover
// looks need them.

#include <QImage>

#include <array>

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

/// One un-premultiplied ARGB pixel through the matrix, each result clamped to 0..1
/// and rounded to the nearest 8-bit step.
QRgb ApplyColorMatrix(const ColorMatrix& matrix, QRgb argb);

/// A Format_ARGB32 (un-premultiplied) copy of `picture` with every pixel through the
/// matrix; a null picture gives a null image.
QImage ApplyColorMatrix(const ColorMatrix& matrix, const QImage& picture);

}  // namespace tbt::skin
