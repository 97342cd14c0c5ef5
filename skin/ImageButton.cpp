#include "skin/ImageButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPen>

#include <algorithm>
#include <chrono>

#include "skin/ColorMatrix.h"

namespace tbt::skin {

namespace {

uint64_t SteadyMilliseconds() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

// The focus ring in the skin's colours: a dark teal line just inside the button's
// edge and a white one inside it, so it shows on teal, white and grey faces alike.
void PaintFocusRing(QPainter& painter, const QRectF& rect) {
  const qreal unit = std::max<qreal>(1.0, rect.height() / 38.0);
  const qreal radius = rect.height() / 5.0;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(0xFF004C57u), 2 * unit));
  painter.drawRoundedRect(rect.adjusted(unit, unit, -unit, -unit), radius, radius);
  painter.setPen(QPen(QColor(0xFFFFFFFFu), unit));
  painter.drawRoundedRect(rect.adjusted(2.5 * unit, 2.5 * unit, -2.5 * unit, -2.5 * unit),
                          radius - 1.5 * unit, radius - 1.5 * unit);
  painter.restore();
}

}  // namespace

CImageButton::CImageButton(QWidget* parent, int controlId) : CSkinControl(parent, controlId) {
  // A tab stop, and pointer moves without a pressed button start hover tracking.
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
}

CImageButton::~CImageButton() = default;

void CImageButton::SetImages(unsigned normalId, unsigned disabledId, unsigned hoverId,
                             unsigned pressedId, const char16_t* type,
                             const CResourceModule* module, double dScale,
                             double devicePixelRatio) {
  ReleaseImages();
  m_pNormalImage = LoadResourceImage(normalId, type, module, dScale, devicePixelRatio);
  if (disabledId != 0) {
    m_pDisabledImage = LoadResourceImage(disabledId, type, module, dScale, devicePixelRatio);
  }
  if (hoverId != 0) {
    m_pHoverImage = LoadResourceImage(hoverId, type, module, dScale, devicePixelRatio);
  }
  if (pressedId != 0) {
    m_pPressedImage = LoadResourceImage(pressedId, type, module, dScale, devicePixelRatio);
  }
}

void CImageButton::SetTextColor(QRgb argb) {
  m_normalColor = argb;
  m_hoverColor = argb;
  m_pressedColor = argb;
}

void CImageButton::SetHoverTextColor(QRgb argb) {
  m_hoverColor = argb;
}

void CImageButton::SetPressedTextColor(QRgb argb) {
  m_pressedColor = argb;
}

void CImageButton::ReleaseResources() {
  m_textStyle.ReleaseFont();
  ReleaseImages();
}

void CImageButton::ReleaseImages() {
  m_pNormalImage.reset();
  m_pDisabledImage.reset();
  m_pHoverImage.reset();
  m_pPressedImage.reset();
  m_greyLook = QImage();
  m_hoverLook = QImage();
}

void CImageButton::RequestRedraw() {
  if (!m_pNormalImage) {
    return;
  }
  m_states.SetDisabled(m_bDisabled != 0);
  NotifyHost();
}

const QImage& CImageButton::MatrixLook(bool grey) {
  QImage& look = grey ? m_greyLook : m_hoverLook;
  if (look.isNull()) {
    look = ApplyColorMatrix(grey ? kGrayscaleMatrix : kHoverMatrix, m_pNormalImage->Picture())
               .convertToFormat(QImage::Format_ARGB32_Premultiplied);
  }
  return look;
}

void CImageButton::PaintSkin(QPainter& painter) {
  const QRectF rect = SkinRect();
  const ButtonPaint paint = ChooseButtonPaint(m_states.Bits(), m_pDisabledImage != nullptr,
                                              m_pHoverImage != nullptr, m_pPressedImage != nullptr);
  const CResourceImage* image = m_pNormalImage.get();
  if (paint.face == ButtonFace::Disabled) {
    image = m_pDisabledImage.get();
  } else if (paint.face == ButtonFace::Hover) {
    image = m_pHoverImage.get();
  } else if (paint.face == ButtonFace::Pressed) {
    image = m_pPressedImage.get();
  }
  const QRectF target = rect.translated(paint.faceOffset, paint.faceOffset);
  if (image != nullptr) {
    if (paint.matrix != FaceMatrix::None) {
      if (image->HasPicture()) {
        const QImage& look = MatrixLook(paint.matrix == FaceMatrix::Grayscale);
        painter.drawImage(target, look, QRectF(look.rect()));
      }
    } else {
      image->Draw(painter, target);
    }
  }

  const QRgb caption = paint.captionColor == ButtonFace::Pressed ? m_pressedColor
                       : paint.captionColor == ButtonFace::Hover ? m_hoverColor
                                                                 : m_normalColor;
  m_textStyle.Draw(painter, GetWindowText(), caption,
                   rect.translated(paint.captionOffset, paint.captionOffset));
  if (ShowsFocusRing()) {
    PaintFocusRing(painter, rect);
  }
}

bool CImageButton::ShowsFocusRing() const {
  const QWidget* top = window();
  return top != nullptr && top->focusWidget() == this && m_bVisible != 0 && m_bDisabled == 0;
}

bool CImageButton::Click() {
  if (m_bVisible == 0 || !isEnabled()) {
    return false;
  }
  emit clicked(ControlId());
  return true;
}

bool CImageButton::IgnoresPointerPresses() {
  if (!m_appeared) {
    return false;
  }
  const uint64_t now = m_clock != nullptr ? m_clock->NowMilliseconds() : SteadyMilliseconds();
  const auto interval = static_cast<uint64_t>(std::max(0, QApplication::doubleClickInterval()));
  return now - m_appearedAt < interval;
}

void CImageButton::OnAppeared() {
  m_appeared = true;
  m_appearedAt = m_clock != nullptr ? m_clock->NowMilliseconds() : SteadyMilliseconds();
}

void CImageButton::TrackHover() {
  // One hover per tracking request: it comes now and not again until a leave.
  if (m_states.Hover()) {
    RequestRedraw();
  }
}

void CImageButton::enterEvent(QEnterEvent* event) {
  // A disabled window sees no pointer moves, so it never starts tracking.
  if (isEnabled()) {
    TrackHover();
  }
  CSkinControl::enterEvent(event);
}

void CImageButton::leaveEvent(QEvent* event) {
  m_states.Leave();
  RequestRedraw();
  CSkinControl::leaveEvent(event);
}

void CImageButton::mouseMoveEvent(QMouseEvent* event) {
  // While a press holds the pointer, moves arrive from outside too; those never
  // hover.
  if (rect().contains(event->position().toPoint())) {
    TrackHover();
  }
  event->accept();
}

void CImageButton::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton || IgnoresPointerPresses()) {
    return;
  }
  m_states.Press();
  RequestRedraw();
  m_mouseDown = true;
}

void CImageButton::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click is the push button's own business: it may
  // still become a click, but the look does not change.
  event->accept();
  if (event->button() == Qt::LeftButton && !IgnoresPointerPresses()) {
    m_mouseDown = true;
  }
}

void CImageButton::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) {
    return;
  }
  m_states.Release();
  // The released look is on screen before the parent hears of the click.
  RequestRedraw();
  const bool wasDown = m_mouseDown;
  m_mouseDown = false;
  if (wasDown && rect().contains(event->position().toPoint())) {
    emit clicked(ControlId());
  }
}

void CImageButton::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Space) {
    CSkinControl::keyPressEvent(event);
    return;
  }
  event->accept();
  if (!event->isAutoRepeat()) {
    m_spaceDown = true;
  }
}

void CImageButton::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Space) {
    CSkinControl::keyReleaseEvent(event);
    return;
  }
  event->accept();
  if (event->isAutoRepeat() || !m_spaceDown) {
    return;
  }
  m_spaceDown = false;
  emit clicked(ControlId());
}

void CImageButton::focusInEvent(QFocusEvent* event) {
  CSkinControl::focusInEvent(event);
  RequestRedraw();  // the focus ring appears
}

void CImageButton::focusOutEvent(QFocusEvent* event) {
  m_spaceDown = false;
  CSkinControl::focusOutEvent(event);
  RequestRedraw();
}

}  // namespace tbt::skin
