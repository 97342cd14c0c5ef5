#include "win32/PngFile.h"

#include <windows.h>

#include <gdiplus.h>

#include <algorithm>
#include <cstring>

namespace tbt::win32 {

namespace {

bool PngEncoder(CLSID* clsid) {
  UINT count = 0;
  UINT bytes = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) {
    return false;
  }
  std::vector<BYTE> buffer(bytes);
  auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, bytes, encoders) != Gdiplus::Ok) {
    return false;
  }
  for (UINT i = 0; i < count; ++i) {
    if (encoders[i].MimeType != nullptr && std::wcscmp(encoders[i].MimeType, L"image/png") == 0) {
      *clsid = encoders[i].Clsid;
      return true;
    }
  }
  return false;
}

uint32_t Unpremultiply(uint32_t pixel) {
  const uint32_t alpha = pixel >> 24;
  if (alpha == 0 || alpha == 255) {
    return alpha == 0 ? 0u : pixel;
  }
  auto channel = [&](int shift) {
    const uint32_t value = (pixel >> shift) & 0xFFu;
    return std::min<uint32_t>(255u, (value * 255u + alpha / 2) / alpha) << shift;
  };
  return (alpha << 24) | channel(16) | channel(8) | channel(0);
}

}  // namespace

bool SavePremultipliedPng(const std::vector<uint32_t>& pixels, int width, int height,
                          const std::wstring& path) {
  if (width <= 0 || height <= 0 ||
      pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
    return false;
  }
  std::vector<uint32_t> straight(pixels.size());
  for (size_t i = 0; i < pixels.size(); ++i) {
    straight[i] = Unpremultiply(pixels[i]);
  }
  CLSID png{};
  if (!PngEncoder(&png)) {
    return false;
  }
  Gdiplus::Bitmap bitmap(width, height, width * 4, PixelFormat32bppARGB,
                         reinterpret_cast<BYTE*>(straight.data()));
  return bitmap.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

}  // namespace tbt::win32
