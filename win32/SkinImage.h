#pragma once

// Pictures of the skin on Windows: PNG resources of type "IMG" decoded by GDI+, at a
// size factor, and the looks a colour matrix makes of them.

#include <windows.h>

#include <gdiplus.h>

#include <memory>

#include "dialog/PixelColorMatrix.h"

namespace tbt::win32 {

/// Decodes resource `id` of type `type` from `module` (null: this program) and, for a
/// factor other than exactly 1.0, redraws it at trunc(width x factor) by trunc(height x
/// factor). A missing or undecodable resource gives null.
std::unique_ptr<Gdiplus::Bitmap> LoadSkinImage(unsigned id, const wchar_t* type, HMODULE module,
                                               double factor);

/// A copy of `picture` with every un-premultiplied pixel through `matrix` (the shared
/// pixel code, so both windows show the same grey and hover looks); null on failure.
std::unique_ptr<Gdiplus::Bitmap> ApplyMatrixLook(Gdiplus::Bitmap& picture,
                                                 const skin::ColorMatrix& matrix);

}  // namespace tbt::win32
