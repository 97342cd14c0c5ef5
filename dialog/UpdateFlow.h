#pragma once

// The Update button's flow, the same in both windows: the platform-device and power
// checks, the worker on its own thread with the window waiting in 100 ms slices, and
// the result. The window that shows the flow supplies its controls through a view.

#include <cstddef>
#include <string>
#include <string_view>

#include "dialog/DialogState.h"
#include "dialog/WorkerRunner.h"
#include "platform/Platform.h"
#include "update/AcpiDevice.h"
#include "update/TbtWmiClient.h"
#include "update/UpdateWorker.h"

namespace tbt::ui {

/// The worker is looked at this often; each look shows the next busy frame.
inline constexpr uint32_t kBusySliceMilliseconds = 100;

/// What the flow asks of the window that shows it. Controls are named by their ids.
class IUpdateFlowView {
 public:
  virtual ~IUpdateFlowView() = default;
  /// Shows or hides a control; the window recomposes when that changes its look.
  virtual void ShowFlowControl(int id, bool visible) = 0;
  /// Enables or disables a control.
  virtual void EnableFlowControl(int id, bool enabled) = 0;
  /// Sets the message label's text.
  virtual void SetMessage(const std::u16string& text) = 0;
  /// The text of `key` in the dialog's language, at most capacity - 1 units.
  virtual std::u16string LocalizedText(std::u16string_view key, std::size_t capacity) const = 0;
  /// Shows busy-animation frame `frame` and recomposes the whole window.
  virtual void ShowBusyFrame(int frame) = 0;
  /// Handles what is queued for the window without leaving the flow, so that it keeps
  /// moving and following display changes while the worker runs.
  virtual void HandleQueuedInput() = 0;
  /// The flow reached `state`.
  virtual void EnterState(DialogState state) = 0;
  /// A run ended, or was refused for a missing platform device, with `report`.
  virtual void OnRunEnded(const UpdateReport& report) = 0;
};

/// Shows, hides, enables and disables the controls as `state` wants them, after a
/// re-layout has started every control over; a state that shows a result puts
/// `message` back into the message label.
void ApplyStateLook(IUpdateFlowView& view, DialogState state, const std::u16string& message);

/// What the flow works with; everything must outlive the flow.
struct UpdateFlowParts {
  platform::IPlatform& platform;
  AcpiDevice& acpi;
  CTbtWmiClient& wmiClient;
  IWorkerRunner& runner;
  /// The worker reads downgradeAllowed and writes result; the flow reads result only
  /// after the worker has been joined.
  UpdateContext& context;
  /// Image id of the next busy frame, kept by the dialog across re-layouts.
  int& busyFrame;
};

/// Runs the Update command.
class UpdateFlow {
 public:
  UpdateFlow(UpdateFlowParts parts, IUpdateFlowView& view) : parts_(parts), view_(view) {}

  /// The whole command, returning when the run has ended or was refused: a missing
  /// platform device ends in NoPlatformDevice, battery power in PowerRefused (ready for
  /// another press), otherwise the worker runs (Running) and its result gives
  /// Succeeded or Failed. A worker that can't be started is a failure
  /// (TBU_E_NO_MEMORY), never a success. Does nothing while a run is going on.
  void OnButtonUpdate();
  /// True while the worker runs: the window must not close then.
  bool IsRunning() const { return running_; }

 private:
  void RunWorker(UpdateReport* report);
  void ShowResult();

  UpdateFlowParts parts_;
  IUpdateFlowView& view_;
  bool running_ = false;
};

}  // namespace tbt::ui
