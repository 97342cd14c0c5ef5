#pragma once

// Writes a composed window image as a PNG file, so that a headless run can show what
// the window looked like.

#include <cstdint>
#include <string>
#include <vector>

namespace tbt::win32 {

/// Writes `width` x `height` premultiplied ARGB pixels (top row first) to `path` as a
/// PNG with straight alpha; false when the pixels do not match the size or GDI+ can't
/// write the file.
bool SavePremultipliedPng(const std::vector<uint32_t>& pixels, int width, int height,
                          const std::wstring& path);

}  // namespace tbt::win32
