#include <QCoreApplication>
#include <QMetaObject>

#include <cstdio>
#include <cstdlib>

#include "platform/Utf16.h"
#include "ui/DialogLayout.h"
#include "ui/FwUpdateDlg.h"
#include "ui/LayoutMath.h"
#include "ui/QtTextView.h"
#include "ui/ResultMessage.h"
#include "ui/UpdateLog.h"
#include "update/BatteryPower.h"
#include "update/ServiceControl.h"

// The dialog's update flow: the checks before the worker, the worker with the busy
// animation, the result, and what the result buttons do.

namespace tbt::ui {

namespace {

// The worker is looked at this often; each look shows the next busy frame.
constexpr uint32_t kBusySliceMilliseconds = 100;

}  // namespace

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

void CFwUpdateDlg::OnButtonUpdate() {
  if (running_) {
    return;
  }
  runStarted_ = UtcTimestampNow();
  btnUpdate.EnableWindow(false);
  btnClose.EnableWindow(false);
  lblWarning.ShowControl(skin::SW_HIDE);
  lblCaution.ShowControl(skin::SW_HIDE);

  if (!acpi_.IsOpen()) {
    OpenAcpiDevice(acpi_);
  }
  if (!acpi_.IsOpen()) {
    SetMessage(LocalizedText(u"IDS_FIND_NO_KXR", kMessageCapacity));
    btnUpdate.ShowControl(skin::SW_HIDE);
    lblPicture.ShowControl(skin::SW_HIDE);
    btnExit.ShowControl(skin::SW_SHOW);
    btnClose.EnableWindow(true);
    result = TBU_E_NO_ACPI_DEVICE;
    EnterState(DialogState::NoPlatformDevice);
    LogRun(UpdateReport{});
    return;
  }

  if (RunsOnBattery(platform_.Power())) {
    lblWarning.ShowControl(skin::SW_SHOW);
    lblCaution.ShowControl(skin::SW_SHOW);
    btnUpdate.EnableWindow(true);
    btnClose.EnableWindow(true);
    EnterState(DialogState::PowerRefused);
    return;
  }

  btnUpdate.ShowControl(skin::SW_HIDE);
  lblPicture.ShowControl(skin::SW_HIDE);
  btnExit.EnableWindow(false);
  btnExit.ShowControl(skin::SW_SHOW);
  UpdateReport report;
  RunWorker(&report);
  LogRun(report);

  btnExit.EnableWindow(true);
  btnClose.EnableWindow(true);
  if (result != TBU_OK) {
    EnterState(DialogState::Failed);
  } else {
    btnExit.ShowControl(skin::SW_HIDE);
    btnShutdown.ShowControl(skin::SW_SHOW);
    btnLater.ShowControl(skin::SW_SHOW);
    EnterState(DialogState::Succeeded);
  }
  if (windowLost_) {
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

void CFwUpdateDlg::RunWorker(UpdateReport* report) {
  const bool started = runner_->Start([this, report] {
    const UpdateEnvironment environment{platform_, wmiClient_, acpi_, {}};
    UpdateThreadProc(environment, this, report);
  });
  if (!started) {
    // Without a worker nothing was updated; say so rather than show a success.
    result = TBU_E_NO_MEMORY;
    SetMessage(ComposeResultMessage(result, [this](std::u16string_view key, std::size_t cap) {
      return LocalizedText(key, cap);
    }));
    return;
  }
  running_ = true;
  EnterState(DialogState::Running);
  lblBusy.ShowControl(skin::SW_SHOW);
  while (!runner_->WaitFor(kBusySliceMilliseconds)) {
    const double factor = LayoutFactor(layoutClass);
    const int frame = busyFrame;
    lblBusy.SetImage(static_cast<unsigned>(frame), kImageType, skin::DefaultResourceModule(),
                     factor, pixelRatio_);
    busyFrame = NextBusyFrame(busyFrame);
    UpdateLayered();
    if (busyFrameObserver_) {
      busyFrameObserver_(frame);
    }
    // One pass over what is queued keeps the window responsive (moves, display
    // changes) without leaving this loop.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  running_ = false;
  lblBusy.ShowControl(skin::SW_HIDE);
  SetMessage(ComposeResultMessage(result, [this](std::u16string_view key, std::size_t cap) {
    return LocalizedText(key, cap);
  }));
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
