#include "skin/LayeredSkinDialog.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScreen>
#include <QTransform>
#include <QWindow>

#include <algorithm>

#include "dialog/WindowPlacement.h"
#include "skin/AlphaMask.h"
#include "skin/Fonts.h"

namespace tbt::skin {

namespace {

// 96 dots per inch in dots per metre, so that point sizes on the image are exact.
constexpr int kSkinDotsPerMeter = 3780;

}  // namespace

CLayeredSkinDialog::CLayeredSkinDialog(QWidget* parent, platform::IDisplay* display)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_display(display) {
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_NoSystemBackground);
  setAutoFillBackground(false);
  RegisterFontSubstitutions();
}

CLayeredSkinDialog::~CLayeredSkinDialog() {
  // Controls that outlive this base (children deleted by QWidget later) must not
  // call back into it.
  for (CSkinControl* control : m_children) {
    if (control->m_pHost == this) {
      control->m_pHost = nullptr;
    }
  }
}

platform::ScreenRect CLayeredSkinDialog::WorkArea() const {
  if (m_display != nullptr) {
    return m_display->WorkArea();
  }
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    return platform::ScreenRect{};
  }
  const QRect area = screen->availableGeometry();
  return platform::ScreenRect{area.left(), area.top(), area.left() + area.width(),
                              area.top() + area.height()};
}

void CLayeredSkinDialog::SetBackgroundImage(unsigned nID, const char16_t* type,
                                            const CResourceModule* module, double dScale,
                                            double devicePixelRatio) {
  m_pBackground.reset();
  m_backgroundRegionValid = false;
  m_perPixelAlpha = m_display == nullptr || m_display->HasPerPixelAlpha();
  m_pBackground = LoadResourceImage(nID, type, module, dScale, devicePixelRatio);
  if (!m_pBackground) {
    return;
  }
  // Without a frame the window's outer size is the image's size.
  const int width = m_pBackground->GetWidth();
  const int height = m_pBackground->GetHeight();
  const WindowOrigin origin = CentreInWorkArea(WorkArea(), width, height);
  setFixedSize(width, height);
  QDialog::setGeometry(origin.x, origin.y, width, height);
  UpdateLayered();
}

void CLayeredSkinDialog::AddSkinControl(CSkinControl* pControl) {
  if (pControl == nullptr) {
    return;
  }
  pControl->m_pHost = this;
  // A repeated layout registers every control again; painting each once is enough.
  if (std::find(m_children.begin(), m_children.end(), pControl) == m_children.end()) {
    m_children.push_back(pControl);
  }
}

void CLayeredSkinDialog::ReleaseSkin() {
  m_children.clear();
  m_children.shrink_to_fit();
  m_pBackground.reset();
  m_backgroundRegionValid = false;
}

void CLayeredSkinDialog::OnChildChanged(CSkinControl* /*pChild*/) {
  UpdateLayered();
}

void CLayeredSkinDialog::OnChildDestroyed(CSkinControl* pChild) {
  m_children.erase(std::remove(m_children.begin(), m_children.end(), pChild), m_children.end());
}

void CLayeredSkinDialog::UpdateLayered() {
  if (!m_pBackground) {
    return;
  }
  const QImage& background = m_pBackground->Drawable();
  if (background.isNull()) {
    // A background without a picture leaves nothing to show.
    m_composed = QImage();
    clearMask();
    update();
    return;
  }

  // The background is drawn at its own size onto a transparent surface of the same
  // size, which is exactly a copy of its premultiplied pixels.
  QImage image = background.copy();
  if (image.isNull()) {
    return;
  }
  image.setDotsPerMeterX(kSkinDotsPerMeter);
  image.setDotsPerMeterY(kSkinDotsPerMeter);
  {
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    for (CSkinControl* control : m_children) {
      if (control->m_bVisible == 0) {
        continue;
      }
      painter.save();
      control->PaintSkin(painter);
      painter.restore();
    }
  }
  m_composed = std::move(image);
  ++m_compositions;
  UpdateInputMask();
  // A window whose native surface is gone (destroyed from outside) is not painted.
  if (isVisible() && windowHandle() != nullptr && windowHandle()->handle() != nullptr) {
    repaint();
  }
}

void CLayeredSkinDialog::UpdateInputMask() {
  // Fully transparent pixels let the pointer through to what lies below. Without
  // per-pixel alpha only fully opaque pixels stay, so the window is shaped to its
  // panel and the shadow does not show as a black frame. Controls paint over the
  // background and never lower its alpha, so only the pixels of controls outside the
  // background's own part need a look. Regions are found in device pixels.
  const int minAlpha = m_perPixelAlpha ? 1 : 255;
  if (!m_backgroundRegionValid) {
    m_backgroundRegion = OpaqueRegion(m_pBackground->Drawable(), minAlpha);
    m_backgroundRegionValid = true;
  }
  const qreal ratio = m_composed.devicePixelRatio();
  QRegion uncovered;
  for (const CSkinControl* control : m_children) {
    if (control->m_bVisible != 0) {
      // One pixel around the rectangle holds the pressed offset.
      const QRectF area = QRectF(control->geometry().adjusted(-1, -1, 1, 1));
      uncovered += QRectF(area.topLeft() * ratio, area.size() * ratio).toAlignedRect();
    }
  }
  uncovered -= m_backgroundRegion;
  QRegion mask = m_backgroundRegion;
  for (const QRect& area : uncovered) {
    mask += OpaqueRegion(m_composed, area, minAlpha);
  }
  if (ratio != 1.0) {
    mask = QTransform::fromScale(1.0 / ratio, 1.0 / ratio).map(mask);
  }
  if (mask != this->mask()) {
    setMask(mask);
  }
}

bool CLayeredSkinDialog::OnInitDialog() {
  m_initialised = true;
  InitSkinLayout();
  UpdateLayered();
  return true;
}

void CLayeredSkinDialog::setVisible(bool visible) {
  if (visible && !m_initialised) {
    OnInitDialog();
  }
  QDialog::setVisible(visible);
}

void CLayeredSkinDialog::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  if (m_composed.isNull()) {
    painter.fillRect(rect(), Qt::transparent);
    return;
  }
  painter.drawImage(0, 0, m_composed);
}

void CLayeredSkinDialog::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QDialog::mousePressEvent(event);
    return;
  }
  event->accept();
  QWindow* window = windowHandle();
  if (window != nullptr && window->startSystemMove()) {
    return;
  }
  // The window system cannot move the window itself: follow the pointer here.
  m_dragging = true;
  m_dragStartGlobal = event->globalPosition().toPoint();
  m_dragStartWindow = pos();
}

void CLayeredSkinDialog::mouseMoveEvent(QMouseEvent* event) {
  if (!m_dragging) {
    QDialog::mouseMoveEvent(event);
    return;
  }
  event->accept();
  move(m_dragStartWindow + (event->globalPosition().toPoint() - m_dragStartGlobal));
}

void CLayeredSkinDialog::mouseReleaseEvent(QMouseEvent* event) {
  if (!m_dragging || event->button() != Qt::LeftButton) {
    QDialog::mouseReleaseEvent(event);
    return;
  }
  event->accept();
  m_dragging = false;
}

}  // namespace tbt::skin
