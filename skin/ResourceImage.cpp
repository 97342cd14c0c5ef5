#include "skin/ResourceImage.h"

#include <QColorSpace>
#include <QtGlobal>

#include <cmath>
#include <limits>
#include <new>

// The artwork lives in the static library tbt_resources, whose resources must be
// registered explicitly. Q_INIT_RESOURCE cannot sit inside a namespace.
static void InitCompiledInImages() {
  static const bool done = [] {
    Q_INIT_RESOURCE(resources);
    return true;
  }();
  (void)done;
}

namespace tbt::skin {

namespace {

QImage DecodePicture(unsigned nID, const char16_t* type, const CResourceModule& module) {
  if (type == nullptr) {
    return QImage();
  }
  const unsigned id = nID & 0xFFFFu;
  const QString path = module.root + u'/' + QString::fromUtf16(type).toLower() + u'/' +
                       QString::number(id) + QStringLiteral(".png");
  QImage picture;
  if (!picture.load(path, "PNG")) {
    return QImage();
  }
  // Embedded colour profiles are not applied: the pixels are used as stored.
  picture.setColorSpace(QColorSpace());
  return picture;
}

// The format of the scaled copy: the decoded one where a painter can draw into it.
QImage::Format CopyFormat(QImage::Format decoded) {
  switch (decoded) {
    case QImage::Format_Invalid:
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
    case QImage::Format_Alpha8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
      return QImage::Format_ARGB32;
    default:
      return decoded;
  }
}

}  // namespace

const CResourceModule* DefaultResourceModule() {
  InitCompiledInImages();
  static const CResourceModule compiledIn{QStringLiteral(":")};
  return &compiledIn;
}

CResourceImage::CResourceImage(QImage picture, bool redrawnCopy)
    : m_picture(std::move(picture)), m_redrawnCopy(redrawnCopy) {
  const QSizeF size = m_picture.deviceIndependentSize();
  m_width = static_cast<int>(std::lround(size.width()));
  m_height = static_cast<int>(std::lround(size.height()));
}

const QImage& CResourceImage::Drawable() const {
  if (m_drawable.isNull() && !m_picture.isNull()) {
    m_drawable = m_picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  }
  return m_drawable;
}

void CResourceImage::Draw(QPainter& painter, const QRectF& target) const {
  if (m_picture.isNull() || target.isEmpty()) {
    return;
  }
  const QImage& drawable = Drawable();
  if (target == QRectF(target.topLeft(), drawable.deviceIndependentSize())) {
    painter.drawImage(target.topLeft(), drawable);
  } else {
    painter.drawImage(target, drawable, QRectF(drawable.rect()));
  }
}

int ScaledLength(int length, double dScale) {
  const double scaled = std::trunc(static_cast<double>(length) * dScale);
  // NaN, negative and oversized results give no picture rather than undefined casts.
  if (!(scaled >= 0.0) || scaled > static_cast<double>(std::numeric_limits<int>::max())) {
    return 0;
  }
  return static_cast<int>(scaled);
}

std::unique_ptr<CResourceImage> LoadResourceImage(unsigned nID, const char16_t* type,
                                                  const CResourceModule* module, double dScale,
                                                  double devicePixelRatio) {
  if (module == nullptr) {
    module = DefaultResourceModule();
  }
  QImage decoded = DecodePicture(nID, type, *module);
  const bool sharpened = devicePixelRatio > 0 && devicePixelRatio != 1.0;
  if (dScale == 1.0 && !sharpened) {
    return std::unique_ptr<CResourceImage>(new (std::nothrow) CResourceImage(std::move(decoded)));
  }

  const int width = ScaledLength(decoded.width(), dScale);
  const int height = ScaledLength(decoded.height(), dScale);
  const double ratio = sharpened ? devicePixelRatio : 1.0;
  // The device pixels that cover the copy's size exactly at the screen's ratio.
  const int pixelWidth = static_cast<int>(std::lround(width * ratio));
  const int pixelHeight = static_cast<int>(std::lround(height * ratio));
  QImage copy;
  if (pixelWidth > 0 && pixelHeight > 0) {
    copy = QImage(pixelWidth, pixelHeight, CopyFormat(decoded.format()));
    if (!copy.isNull()) {
      copy.fill(Qt::transparent);
      QPainter painter(&copy);
      // Bilinear filtering, as the stretch of a scaled skin is expected to look.
      painter.setRenderHint(QPainter::SmoothPixmapTransform);
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      painter.drawImage(QRectF(0, 0, pixelWidth, pixelHeight), decoded, QRectF(decoded.rect()));
      painter.end();
      copy.setDevicePixelRatio(ratio);
    }
  }
  return std::unique_ptr<CResourceImage>(new (std::nothrow) CResourceImage(std::move(copy), true));
}

}  // namespace tbt::skin
