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
    : m_picture(std::move(picture)), m_redrawnCopy(redrawnCopy) {}

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
  if (target == QRectF(target.topLeft(), QSizeF(drawable.size()))) {
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
                                                  const CResourceModule* module, double dScale) {
  if (module == nullptr) {
    module = DefaultResourceModule();
  }
  QImage decoded = DecodePicture(nID, type, *module);
  if (dScale == 1.0) {
    return std::unique_ptr<CResourceImage>(new (std::nothrow) CResourceImage(std::move(decoded)));
  }

  const int width = ScaledLength(decoded.width(), dScale);
  const int height = ScaledLength(decoded.height(), dScale);
  QImage copy;
  if (width > 0 && height > 0) {
    copy = QImage(width, height, CopyFormat(decoded.format()));
    if (!copy.isNull()) {
      copy.fill(Qt::transparent);
      QPainter painter(&copy);
      // Bilinear filtering, as the stretch of a scaled skin is expected to look.
      painter.setRenderHint(QPainter::SmoothPixmapTransform);
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      painter.drawImage(QRectF(0, 0, width, height), decoded, QRectF(decoded.rect()));
    }
  }
  return std::unique_ptr<CResourceImage>(new (std::nothrow) CResourceImage(std::move(copy), true));
}

}  // namespace tbt::skin
