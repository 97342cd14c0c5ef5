#pragma once

// The part of a composed image that takes the pointer.

#include <QImage>
#include <QRegion>

namespace tbt::skin {

/// The pixels whose alpha is at least `minAlpha` (by default every pixel that is not
/// fully transparent), as a region in pixels; rows with the same runs share one
/// rectangle. Works on any image format (other than premultiplied ARGB32 it converts).
QRegion OpaqueRegion(const QImage& image, int minAlpha = 1);

/// As OpaqueRegion, for the pixels inside `area` only (clipped to the image), in the
/// image's coordinates.
QRegion OpaqueRegion(const QImage& image, const QRect& area, int minAlpha = 1);

}  // namespace tbt::skin
