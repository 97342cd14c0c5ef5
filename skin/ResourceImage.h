#pragma once

// Pictures of the skin, decoded from the PNG images compiled into the program.

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <memory>

namespace tbt::skin {

/// Where images are looked up: a folder of the resource system (":") or of the disk
/// that holds "<type in lower case>/<id>.png".
struct CResourceModule {
  QString root;
};

/// The program's own compiled-in images (root ":", so id 130 of type "IMG" is
/// ":/img/130.png").
const CResourceModule* DefaultResourceModule();

/// Status of an image that decoded fine.
inline constexpr int kImageOk = 0;
/// Status of an image whose resource was missing or not a decodable picture.
inline constexpr int kImageDecodeFailed = 2;

/// One decoded picture, owned by whoever loaded it. An image whose resource was
/// missing still exists but holds no picture: 0 x 0, and drawing it draws nothing.
class CResourceImage {
 public:
  /// Takes a decoded picture (null when decoding failed); `redrawnCopy` marks a copy
  /// redrawn at a size factor rather than the picture as decoded. A picture with a
  /// device pixel ratio measures its size in device-independent pixels.
  explicit CResourceImage(QImage picture, bool redrawnCopy = false);

  /// Width in (device-independent) pixels; 0 when the image holds no picture.
  int GetWidth() const { return m_width; }
  /// Height in (device-independent) pixels; 0 when the image holds no picture.
  int GetHeight() const { return m_height; }
  /// Pixel format as decoded (Format_ARGB32 for RGBA PNGs); Format_Invalid when empty.
  QImage::Format GetPixelFormat() const { return m_picture.format(); }
  /// kImageOk, or kImageDecodeFailed when the image holds no picture.
  int GetLastStatus() const { return m_picture.isNull() ? kImageDecodeFailed : kImageOk; }
  /// True when there is a picture to draw.
  bool HasPicture() const { return !m_picture.isNull(); }
  /// The picture as decoded (or redrawn at its scale).
  const QImage& Picture() const { return m_picture; }
  /// True when this is a copy redrawn at a size factor other than exactly 1.0.
  bool IsRedrawnCopy() const { return m_redrawnCopy; }

  /// Draws the whole picture stretched into `target`; draws nothing without a picture.
  void Draw(QPainter& painter, const QRectF& target) const;
  /// The picture converted (once) to the premultiplied form that painting uses.
  const QImage& Drawable() const;

 private:
  QImage m_picture;
  int m_width = 0;
  int m_height = 0;
  bool m_redrawnCopy = false;
  mutable QImage m_drawable;
};

/// Loads image `nID & 0xFFFF` of resource type `type` ("IMG") from `module` (null
/// means the program's own images). A factor of exactly 1.0 returns the decoded
/// picture; any other factor returns a copy redrawn at trunc(width * dScale) x
/// trunc(height * dScale). A missing or undecodable image gives an image that holds
/// no picture; null only when the image object cannot be allocated. On a screen with
/// a `devicePixelRatio` other than 1 the copy keeps that size in device-independent
/// pixels but is redrawn from the full-size artwork with that many device pixels per
/// pixel, so it stays sharp.
std::unique_ptr<CResourceImage> LoadResourceImage(unsigned nID, const char16_t* type,
                                                  const CResourceModule* module, double dScale,
                                                  double devicePixelRatio = 1.0);

/// trunc(length * dScale) as the scaled copy sizes itself (truncation toward zero).
int ScaledLength(int length, double dScale);

}  // namespace tbt::skin
