#include "skin/SkinControl.h"

#include <QEvent>

namespace tbt::skin {

CSkinControl::CSkinControl(QWidget* parent, int controlId)
    : QWidget(parent), m_controlId(controlId) {
  // The host's image shows through: the widget has no background of its own.
  setAttribute(Qt::WA_NoSystemBackground);
  setAutoFillBackground(false);
  if (parent != nullptr) {
    // Visible from the start; it appears with its parent.
    QWidget::setVisible(true);
  }
  m_bDisabled = isEnabled() ? 0 : 1;
  m_bVisible = isHidden() ? 0 : 1;
}

CSkinControl::~CSkinControl() {
  if (m_pHost != nullptr) {
    m_pHost->OnChildDestroyed(this);
  }
}

void CSkinControl::NotifyHost() {
  if (m_pHost != nullptr) {
    m_pHost->OnChildChanged(this);
  }
}

void CSkinControl::RequestRedraw() {
  NotifyHost();
}

int CSkinControl::ShowControl(int nCmdShow) {
  const int wasVisible = isHidden() ? 0 : 1;
  QWidget::setVisible(nCmdShow != SW_HIDE);
  const int visible = isHidden() ? 0 : 1;
  if (visible != m_bVisible) {
    m_bVisible = visible;
    if (visible != 0 && m_bDisabled == 0) {
      OnAppeared();
    }
    NotifyHost();
  }
  return wasVisible;
}

bool CSkinControl::EnableWindow(bool enable) {
  const bool wasDisabled = !isEnabled();
  setEnabled(enable);
  return wasDisabled;
}

void CSkinControl::SetWindowText(QStringView text) {
  m_text = text.toString();
  RequestRedraw();
}

void CSkinControl::MoveWindow(int x, int y, int width, int height) {
  const QRect before = geometry();
  // Qt delivers move and resize events of a widget that is not on screen only when
  // it is shown; the requests are made here instead, at once, one per change.
  QWidget::setGeometry(x, y, width, height);
  const QRect after = geometry();
  if (after.topLeft() != before.topLeft()) {
    RequestRedraw();
  }
  if (after.size() != before.size()) {
    RequestRedraw();
  }
}

void CSkinControl::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::EnabledChange) {
    return;
  }
  const int disabled = isEnabled() ? 0 : 1;
  if (disabled == m_bDisabled) {
    return;
  }
  m_bDisabled = disabled;
  if (disabled == 0 && m_bVisible != 0) {
    OnAppeared();
  }
  RequestRedraw();
}

void CSkinControl::paintEvent(QPaintEvent* /*event*/) {}

}  // namespace tbt::skin
