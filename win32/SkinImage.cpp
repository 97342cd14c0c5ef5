#include "win32/SkinImage.h"

#include <objidl.h>
#include <shlwapi.h>

#include <cstring>
#include <functional>

namespace tbt::win32 {

namespace {

// Releases a COM stream at the end of a scope.
struct StreamRelease {
  void operator()(IStream* stream) const { stream->Release(); }
};

// A straight-ARGB copy of `picture` that owns its pixels; each row passes through
// `eachRow` (when given) on the way. Null when a bitmap cannot be made or locked.
std::unique_ptr<Gdiplus::Bitmap> CopyAsArgb(
    Gdiplus::Bitmap& picture, const std::function<void(uint32_t* row, size_t count)>& eachRow) {
  const int width = static_cast<int>(picture.GetWidth());
  const int height = static_cast<int>(picture.GetHeight());
  if (width <= 0 || height <= 0) {
    return nullptr;
  }
  auto copy = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
  Gdiplus::Rect whole(0, 0, width, height);
  Gdiplus::BitmapData source{};
  Gdiplus::BitmapData target{};
  if (copy->GetLastStatus() != Gdiplus::Ok ||
      picture.LockBits(&whole, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &source) !=
          Gdiplus::Ok) {
    return nullptr;
  }
  if (copy->LockBits(&whole, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &target) !=
      Gdiplus::Ok) {
    picture.UnlockBits(&source);
    return nullptr;
  }
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(target.Scan0) + y * target.Stride);
    std::memcpy(row, static_cast<const BYTE*>(source.Scan0) + y * source.Stride,
                static_cast<size_t>(width) * 4);
    if (eachRow) {
      eachRow(row, static_cast<size_t>(width));
    }
  }
  copy->UnlockBits(&target);
  picture.UnlockBits(&source);
  return copy;
}

std::unique_ptr<Gdiplus::Bitmap> DecodeResource(unsigned id, const wchar_t* type, HMODULE module) {
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id & 0xFFFFu), type);
  if (info == nullptr) {
    return nullptr;
  }
  const DWORD size = SizeofResource(module, info);
  HGLOBAL loaded = LoadResource(module, info);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) {
    return nullptr;
  }
  // The stream copies the bytes; the decoded bitmap is copied again below, so nothing
  // reads the stream once this function returns.
  std::unique_ptr<IStream, StreamRelease> stream(
      SHCreateMemStream(static_cast<const BYTE*>(bytes), size));
  if (!stream) {
    return nullptr;
  }
  Gdiplus::Bitmap decoded(stream.get(), FALSE);
  if (decoded.GetLastStatus() != Gdiplus::Ok || decoded.GetWidth() == 0) {
    return nullptr;
  }
  // A copy that owns its pixels, independent of the stream.
  return CopyAsArgb(decoded, nullptr);
}

}  // namespace

std::unique_ptr<Gdiplus::Bitmap> LoadSkinImage(unsigned id, const wchar_t* type, HMODULE module,
                                               double factor) {
  if (module == nullptr) {
    module = GetModuleHandleW(nullptr);
  }
  std::unique_ptr<Gdiplus::Bitmap> decoded = DecodeResource(id, type, module);
  if (!decoded || factor == 1.0) {
    return decoded;
  }
  const int width = static_cast<int>(decoded->GetWidth() * factor);
  const int height = static_cast<int>(decoded->GetHeight() * factor);
  if (width <= 0 || height <= 0) {
    return nullptr;
  }
  auto scaled = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
  if (scaled->GetLastStatus() != Gdiplus::Ok) {
    return nullptr;
  }
  // Every quality setting stays at the library's default.
  Gdiplus::Graphics graphics(scaled.get());
  graphics.DrawImage(decoded.get(), Gdiplus::Rect(0, 0, width, height), 0, 0,
                     static_cast<INT>(decoded->GetWidth()), static_cast<INT>(decoded->GetHeight()),
                     Gdiplus::UnitPixel);
  return scaled;
}

std::unique_ptr<Gdiplus::Bitmap> ApplyMatrixLook(Gdiplus::Bitmap& picture,
                                                 const skin::ColorMatrix& matrix) {
  return CopyAsArgb(picture, [&matrix](uint32_t* row, size_t count) {
    skin::ApplyColorMatrixToPixels(matrix, row, count);
  });
}

}  // namespace tbt::win32
