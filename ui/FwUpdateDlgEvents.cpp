#include <QCloseEvent>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPlatformSurfaceEvent>
#include <QShowEvent>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "dialog/FocusOrder.h"
#include "ui/FwUpdateDlg.h"

// The dialog's keyboard, focus and window events: Enter and Escape, Tab order, the
// primary button of each state, and a window closed from outside.

namespace tbt::ui {

skin::CImageButton* CFwUpdateDlg::PrimaryButton() {
  return ButtonWithId(PrimaryButtonId(state_));
}

std::vector<skin::CImageButton*> CFwUpdateDlg::TabOrder() {
  const auto candidate = [](const skin::CImageButton& button) {
    return FocusCandidate{button.ControlId(), LayoutRect{button.x(), button.y(), 0, 0},
                          button.m_bVisible != 0 && button.isEnabled()};
  };
  const std::array buttons{candidate(btnShutdown), candidate(btnLater), candidate(btnUpdate),
                           candidate(btnExit)};
  std::vector<skin::CImageButton*> order;
  for (const int id : ui::TabOrder(buttons, candidate(btnClose))) {
    order.push_back(ButtonWithId(id));
  }
  return order;
}

void CFwUpdateDlg::FocusButton(skin::CImageButton* button) {
  if (button == nullptr || button->m_bVisible == 0 || !button->isEnabled()) {
    return;
  }
  button->setFocus(Qt::OtherFocusReason);
  // An inactive window gets no focus events; the ring must show all the same.
  UpdateLayered();
}

bool CFwUpdateDlg::focusNextPrevChild(bool next) {
  const std::vector<skin::CImageButton*> order = TabOrder();
  if (order.empty()) {
    return false;
  }
  std::vector<int> ids;
  for (const skin::CImageButton* button : order) {
    ids.push_back(button->ControlId());
  }
  const auto* focused = dynamic_cast<const skin::CSkinControl*>(focusWidget());
  ButtonWithId(NextFocus(ids, focused != nullptr ? focused->ControlId() : 0, next))
      ->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  UpdateLayered();
  return true;
}

void CFwUpdateDlg::done(int code) {
  if (flow_->IsRunning()) {
    return;
  }
  ending_ = true;
  skin::CLayeredSkinDialog::done(code);
}

void CFwUpdateDlg::showEvent(QShowEvent* event) {
  skin::CLayeredSkinDialog::showEvent(event);
  ending_ = false;
  if (!watchingSurface_ && windowHandle() != nullptr) {
    windowHandle()->installEventFilter(this);
    watchingSurface_ = true;
  }
}

bool CFwUpdateDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == windowHandle() && event->type() == QEvent::PlatformSurface &&
      static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
          QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed &&
      !ending_ && !destroyed_) {
    OnWindowLost();
  }
  return skin::CLayeredSkinDialog::eventFilter(watched, event);
}

void CFwUpdateDlg::OnWindowLost() {
  windowLost_ = true;
  if (flow_->IsRunning()) {
    // An update is never cut off: it runs to its end, and then the program ends.
    std::fprintf(stderr,
                 "tbt-fwupdate: the window was closed from outside; the update goes on to its "
                 "end.\n");
    return;
  }
  // Idle, nothing is lost: end as the close button would, so the program ends.
  QMetaObject::invokeMethod(
      this, [this] { done(QDialog::Rejected); }, Qt::QueuedConnection);
}

void CFwUpdateDlg::closeEvent(QCloseEvent* event) {
  if (flow_->IsRunning()) {
    event->ignore();
    return;
  }
  skin::CLayeredSkinDialog::closeEvent(event);
}

void CFwUpdateDlg::keyPressEvent(QKeyEvent* event) {
  if (flow_->IsRunning()) {
    event->accept();
    return;
  }
  const bool plain = event->modifiers() == Qt::NoModifier ||
                     (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
  if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    event->accept();
    auto* focused = dynamic_cast<skin::CImageButton*>(focusWidget());
    if (focused == nullptr || !focused->Click()) {
      if (skin::CImageButton* primary = PrimaryButton()) {
        primary->Click();
      }
    }
    return;
  }
  if (plain && event->key() == Qt::Key_Escape) {
    event->accept();
    accept();  // as Exit: ends the dialog
    return;
  }
  skin::CLayeredSkinDialog::keyPressEvent(event);
}

}  // namespace tbt::ui
