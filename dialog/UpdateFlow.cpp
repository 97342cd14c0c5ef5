#include "dialog/UpdateFlow.h"

#include "dialog/DialogLayout.h"
#include "dialog/ResultMessage.h"
#include "update/BatteryPower.h"

namespace tbt::ui {

void ApplyStateLook(IUpdateFlowView& view, DialogState state, const std::u16string& message) {
  const StateLook look = LookOf(state);
  view.ShowFlowControl(kIdUpdate, look.updateVisible);
  view.EnableFlowControl(kIdUpdate, look.updateEnabled);
  view.ShowFlowControl(kIdExit, look.exitVisible);
  view.EnableFlowControl(kIdExit, look.exitEnabled);
  view.EnableFlowControl(kIdClose, look.closeEnabled);
  view.ShowFlowControl(kIdPicture, look.pictureVisible);
  view.ShowFlowControl(kIdWarning, look.cautionVisible);
  view.ShowFlowControl(kIdCaution, look.cautionVisible);
  view.ShowFlowControl(kIdBusy, look.busyVisible);
  view.ShowFlowControl(kIdShutdown, look.resultButtonsVisible);
  view.ShowFlowControl(kIdLater, look.resultButtonsVisible);
  // Before a result the label holds the prompt that the layout has just set.
  if (state == DialogState::Succeeded || state == DialogState::Failed ||
      state == DialogState::NoPlatformDevice) {
    view.SetMessage(message);
  }
}

void UpdateFlow::OnButtonUpdate() {
  if (running_) {
    return;
  }
  view_.EnableFlowControl(kIdUpdate, false);
  view_.EnableFlowControl(kIdClose, false);
  view_.ShowFlowControl(kIdWarning, false);
  view_.ShowFlowControl(kIdCaution, false);

  if (!parts_.acpi.IsOpen()) {
    OpenAcpiDevice(parts_.acpi);
  }
  if (!parts_.acpi.IsOpen()) {
    view_.SetMessage(view_.LocalizedText(u"IDS_FIND_NO_KXR", kMessageCapacity));
    view_.ShowFlowControl(kIdUpdate, false);
    view_.ShowFlowControl(kIdPicture, false);
    view_.ShowFlowControl(kIdExit, true);
    view_.EnableFlowControl(kIdClose, true);
    parts_.context.result = TBU_E_NO_ACPI_DEVICE;
    view_.EnterState(DialogState::NoPlatformDevice);
    view_.OnRunEnded(UpdateReport{});
    return;
  }

  if (RunsOnBattery(parts_.platform.Power())) {
    view_.ShowFlowControl(kIdWarning, true);
    view_.ShowFlowControl(kIdCaution, true);
    view_.EnableFlowControl(kIdUpdate, true);
    view_.EnableFlowControl(kIdClose, true);
    view_.EnterState(DialogState::PowerRefused);
    return;
  }

  view_.ShowFlowControl(kIdUpdate, false);
  view_.ShowFlowControl(kIdPicture, false);
  view_.EnableFlowControl(kIdExit, false);
  view_.ShowFlowControl(kIdExit, true);
  UpdateReport report;
  RunWorker(&report);
  view_.OnRunEnded(report);

  view_.EnableFlowControl(kIdExit, true);
  view_.EnableFlowControl(kIdClose, true);
  if (parts_.context.result != TBU_OK) {
    view_.EnterState(DialogState::Failed);
    return;
  }
  view_.ShowFlowControl(kIdExit, false);
  view_.ShowFlowControl(kIdShutdown, true);
  view_.ShowFlowControl(kIdLater, true);
  view_.EnterState(DialogState::Succeeded);
}

void UpdateFlow::RunWorker(UpdateReport* report) {
  const bool started = parts_.runner.Start([this, report] {
    const UpdateEnvironment environment{parts_.platform, parts_.wmiClient, parts_.acpi, {}};
    UpdateThreadProc(environment, &parts_.context, report);
  });
  if (!started) {
    // Without a worker nothing was updated; say so rather than show a success.
    parts_.context.result = TBU_E_NO_MEMORY;
    ShowResult();
    return;
  }
  running_ = true;
  view_.EnterState(DialogState::Running);
  view_.ShowFlowControl(kIdBusy, true);
  while (!parts_.runner.WaitFor(kBusySliceMilliseconds)) {
    const int frame = parts_.busyFrame;
    parts_.busyFrame = NextBusyFrame(parts_.busyFrame);
    view_.ShowBusyFrame(frame);
    view_.HandleQueuedInput();
  }
  running_ = false;
  view_.ShowFlowControl(kIdBusy, false);
  ShowResult();
}

void UpdateFlow::ShowResult() {
  view_.SetMessage(ComposeResultMessage(parts_.context.result,
                                        [this](std::u16string_view key, std::size_t capacity) {
                                          return view_.LocalizedText(key, capacity);
                                        }));
}

}  // namespace tbt::ui
