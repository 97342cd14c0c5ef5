#pragma once

// The part of a composed image that takes the pointer.

#include <QImage>
#include <QRegion>

namespace tbt::skin {

/// The pixels whose alpha is not 0, as a region; rows with the same runs share one
/// rectangle. Works on any image format (other than premultiplied ARGB32 it converts).
QRegion OpaqueRegion(const QImage& image);

}  // namespace tbt::skin
