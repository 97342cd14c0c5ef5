#pragma once

// The shared colour matrices applied to Qt pictures.

#include <QImage>

#include "dialog/PixelColorMatrix.h"

namespace tbt::skin {

/// A Format_ARGB32 (un-premultiplied) copy of `picture` with every pixel through the
/// matrix; a null picture gives a null image.
QImage ApplyColorMatrix(const ColorMatrix& matrix, const QImage& picture);

}  // namespace tbt::skin
