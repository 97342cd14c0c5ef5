#pragma once

// The part of a composed image that takes the pointer.

#include <QImage>
#include <QRegion>

namespace tbt::skin {

/// The pixels whose alpha is not 0, as a region; rows with the same runs share one
/// rectangle. Works on any image format (other than premultiplied ARGB32 it converts).
QRegion OpaqueRegion(const QImage& image);

/// As OpaqueRegion, for the pixels inside `area` only (clipped to the image), in the
/// image's coordinates.
QRegion OpaqueRegion(const QImage& image, const QRect& area);

}  // namespace tbt::skin
