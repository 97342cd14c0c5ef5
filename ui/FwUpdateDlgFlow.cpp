#include <QCoreApplication>
#include <QMetaObject>

#include <cstdio>
#include <cstdlib>

#include "dialog/DialogLayout.h"
#include "dialog/LayoutMath.h"
#include "platform/Utf16.h"
#include "ui/FwUpdateDlg.h"
#include "ui/QtTextView.h"
#include "ui/UpdateLog.h"
#include "update/ServiceControl.h"

// The dialog's update flow: the checks before the worker, the worker with the busy
// animation, the result, and what the result buttons do.

namespace tbt::ui {

void CFwUpdateDlg::EnterState(DialogState state) {
  state_ = state;
  FocusButton(PrimaryButton());
  if (stateObserver_) {
    stateObserver_(state);
  }
}

void CFwUpdateDlg::SetMessage(const std::u16string& text) {
  message_ = text;
  lblMessage.SetWindowText(View(message_));
}

skin::CSkinControl* CFwUpdateDlg::ControlWithId(int id) {
  if (skin::CImageButton* button = ButtonWithId(id)) {
    return button;
  }
  return LabelWithId(id);
}

void CFwUpdateDlg::ShowFlowControl(int id, bool visible) {
  if (skin::CSkinControl* control = ControlWithId(id)) {
    control->ShowControl(visible ? skin::SW_SHOW : skin::SW_HIDE);
  }
}

void CFwUpdateDlg::EnableFlowControl(int id, bool enabled) {
  if (skin::CSkinControl* control = ControlWithId(id)) {
    control->EnableWindow(enabled);
  }
}

void CFwUpdateDlg::ShowBusyFrame(int frame) {
  lblBusy.SetImage(static_cast<unsigned>(frame), kImageType, skin::DefaultResourceModule(),
                   LayoutFactor(layoutClass), pixelRatio_);
  UpdateLayered();
  if (busyFrameObserver_) {
    busyFrameObserver_(frame);
  }
}

void CFwUpdateDlg::HandleQueuedInput() {
  // One pass over what is queued keeps the window responsive (moves, display changes).
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void CFwUpdateDlg::OnRunEnded(const UpdateReport& report) {
  LogRun(report);
}

void CFwUpdateDlg::OnButtonUpdate() {
  if (flow_->IsRunning()) {
    return;
  }
  runStarted_ = UtcTimestampNow();
  flow_->OnButtonUpdate();
  if (windowLost_ && (state_ == DialogState::Succeeded || state_ == DialogState::Failed)) {
    // Nobody can read the window any more: say how the update ended, and end.
    std::fprintf(stderr,
                 "tbt-fwupdate: the window was closed from outside while the update ran; the "
                 "update was finished: %s (result 0x%08X)\n",
                 ToUtf8(message_).c_str(), static_cast<unsigned>(result));
    OnDestroy();
    ending_ = true;
    skin::CLayeredSkinDialog::done(QDialog::Rejected);
  }
}

void CFwUpdateDlg::LogRun(const UpdateReport& report) {
  const std::filesystem::path path =
      UpdateLogPath([](const char* name) { return static_cast<const char*>(std::getenv(name)); });
  if (path.empty()) {
    return;  // neither XDG_STATE_HOME nor HOME: there is no state folder to keep it in
  }
  const UpdateLogEntry entry{runStarted_, platform_.IsEmulated(), report, result, ToUtf8(message_)};
  if (!AppendUpdateLog(path, FormatUpdateLogEntry(entry))) {
    std::fprintf(stderr, "tbt-fwupdate: could not append to the update log '%s'\n",
                 path.string().c_str());
  }
}

void CFwUpdateDlg::PostClose() {
  QMetaObject::invokeMethod(
      this, [this] { close(); }, Qt::QueuedConnection);
}

void CFwUpdateDlg::OnButtonShutdown() {
  if (platform_.IsEmulated()) {
    // The emulated power-off is only recorded; say what a real machine would do.
    std::fprintf(stderr,
                 "tbt-fwupdate: EMULATED platform: the machine would now power off (nothing is "
                 "switched off).\n");
  }
  ShutdownSystem(platform_.Power(), [this] { PostClose(); });
}

void CFwUpdateDlg::OnButtonLater() {
  PostClose();
}

void CFwUpdateDlg::OnControlClicked(int controlId) {
  switch (controlId) {
    case kIdUpdate:
      OnButtonUpdate();
      break;
    case kIdShutdown:
      OnButtonShutdown();
      break;
    case kIdLater:
      OnButtonLater();
      break;
    case kIdExit:
      accept();
      break;
    case kIdClose:
      reject();
      break;
    default:
      break;
  }
}

}  // namespace tbt::ui
