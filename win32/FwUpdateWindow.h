#pragma once

// The tool's one window on Windows: the shared dialog (layout tables, states, update
// flow, messages) shown through the layered GDI+ window.

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialog/DialogState.h"
#include "dialog/UpdateFlow.h"
#include "dialog/VersionCaption.h"
#include "dialog/WorkerRunner.h"
#include "platform/Platform.h"
#include "update/AcpiDevice.h"
#include "update/TbtWmiClient.h"
#include "update/UpdateWorker.h"
#include "win32/LayeredWindow.h"
#include "win32/SkinControls.h"

namespace tbt::win32 {

/// The screen the layout reads: work area and vertical DPI.
struct ScreenMetrics {
  platform::ScreenRect workArea;
  int dpi = 96;
};

/// The screen of this machine, read anew on each call.
ScreenMetrics SystemScreenMetrics();

class FwUpdateWindow : public UpdateContext, private ui::IUpdateFlowView {
 public:
  /// `platform` must outlive the window; `runner` runs the worker (waits through the
  /// window's clock); `screen` gives the work area and DPI (null: the system's).
  FwUpdateWindow(platform::IPlatform& platform, ui::ProgramVersion version,
                 std::unique_ptr<ui::IWorkerRunner> runner,
                 std::function<ScreenMetrics()> screen = nullptr);
  ~FwUpdateWindow() override;

  /// Language of every text; set before Create.
  uint16_t langId = 0;
  /// -1 before the first layout, then 0 (compact) or 1 (full).
  int layoutClass = -1;
  /// Image id of the next busy-animation frame.
  int busyFrame = 141;

  /// Creates the window and lays it out (hidden); false when the system refuses.
  bool Create();
  /// Lays the window out for the screen; does nothing unless the layout class changed.
  /// A re-layout keeps the current state.
  void InitSkinLayout();
  /// The update flow (see ui::UpdateFlow).
  void OnButtonUpdate();
  /// What a click on control `id` does.
  void OnControlClicked(int id);

  ui::DialogState State() const { return state_; }
  /// The id of the button with the keyboard focus (0: none).
  int FocusedId() const { return focusedId_; }
  bool IsRunning() const { return flow_.IsRunning(); }
  const std::u16string& Message() const { return message_; }
  LayeredWindow& Surface() { return window_; }
  std::u16string LocalizedText(std::u16string_view key, std::size_t capacity) const override;

  /// Called with each busy frame as it is shown, and with each new state.
  std::function<void(int frame)> onBusyFrame;
  std::function<void(ui::DialogState)> onState;

  // The controls, in the order the dialog creates them.
  SkinButton btnExit;
  SkinButton btnClose;
  SkinButton btnUpdate;
  SkinButton btnShutdown;
  SkinButton btnLater;
  SkinLabel lblBullet;
  SkinLabel lblPicture;
  SkinLabel lblWarning;
  SkinLabel lblMessage;
  SkinLabel lblCaution;
  SkinLabel lblBusy;
  SkinLabel lblVersion;

 private:
  void ShowFlowControl(int id, bool visible) override;
  void EnableFlowControl(int id, bool enabled) override;
  void SetMessage(const std::u16string& text) override;
  void ShowBusyFrame(int frame) override;
  void HandleQueuedInput() override;
  void EnterState(ui::DialogState state) override;
  void OnRunEnded(const UpdateReport& /*report*/) override {}

  void ApplyLayout(double factor, int dpi);
  /// Tab and Shift+Tab walk the shared tab order; Enter presses the focused button (or
  /// the state's primary one); Escape closes.
  void OnKey(WPARAM key);
  /// Gives the focus to the button `id` (0 or an unknown id: to none).
  void FocusButton(int id);
  std::vector<int> TabOrderIds();
  void PostClose();
  SkinControl* ControlWithId(int id);
  SkinButton* ButtonWithId(int id);

  platform::IPlatform& platform_;
  ui::ProgramVersion version_;
  std::unique_ptr<ui::IWorkerRunner> runner_;
  std::function<ScreenMetrics()> screen_;
  AcpiDevice acpi_;
  CTbtWmiClient wmiClient_;
  LayeredWindow window_;
  SkinLabel lblEmulated_{0};
  ui::UpdateFlow flow_;
  ui::DialogState state_ = ui::DialogState::Ready;
  int focusedId_ = 0;
  std::u16string message_;
};

}  // namespace tbt::win32
