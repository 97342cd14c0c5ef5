#pragma once

// The program's one window: a prompt, the Update button, a busy animation while the
// worker runs, the localised result, and shut down or later after a success.

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dialog/DialogLayout.h"
#include "dialog/DialogState.h"
#include "dialog/UpdateFlow.h"
#include "dialog/VersionCaption.h"
#include "dialog/WorkerRunner.h"
#include "platform/Platform.h"
#include "skin/ImageButton.h"
#include "skin/LayeredSkinDialog.h"
#include "skin/TextLabel.h"
#include "update/AcpiDevice.h"
#include "update/TbtWmiClient.h"
#include "update/UpdateWorker.h"

class QCloseEvent;
class QKeyEvent;
class QShowEvent;

namespace tbt::ui {

/// The window's title; the skin has no title bar, so it only names the task.
inline constexpr std::u16string_view kWindowTitle = u"VESK Thunderbolt Firmware Update Tool";

/// The main dialog. It is its own UpdateContext: the worker reads downgradeAllowed and
/// writes result, and the dialog reads result only after the worker has been joined.
class CFwUpdateDlg : public skin::CLayeredSkinDialog,
                     public UpdateContext,
                     private IUpdateFlowView {
  Q_OBJECT

 public:
  /// Builds the twelve controls at size 0 x 0. Everything the dialog reaches goes
  /// through `platform` and `display`, which must outlive it; `runner` replaces the
  /// worker thread (null: a real thread waited for through the platform clock).
  CFwUpdateDlg(platform::IPlatform& platform, platform::IDisplay& display, ProgramVersion version,
               std::unique_ptr<IWorkerRunner> runner = nullptr, QWidget* parent = nullptr);
  /// Releases everything (OnDestroy) if that has not happened yet.
  ~CFwUpdateDlg() override;

  // The controls, in the order the dialog creates them.
  skin::CImageButton btnExit;
  skin::CImageButton btnClose;
  skin::CImageButton btnUpdate;
  skin::CImageButton btnShutdown;
  skin::CImageButton btnLater;
  skin::CTextLabel lblBullet;
  skin::CTextLabel lblPicture;
  skin::CTextLabel lblWarning;
  skin::CTextLabel lblMessage;
  skin::CTextLabel lblCaution;
  skin::CTextLabel lblBusy;
  skin::CTextLabel lblVersion;

  // The update result code (QDialog's result() is reached through the base).
  using UpdateContext::result;

  /// -1 before the first layout, then 0 (compact) or 1 (full).
  int layoutClass = -1;
  /// Image id of the next busy-animation frame, always kImageFirstBusyFrame..kImageLastBusyFrame.
  int busyFrame = kImageFirstBusyFrame;
  /// Language of every text; the application sets it before the dialog runs.
  uint16_t langId = 0;

  /// Chooses the layout class from the desktop and, when it changed, places, styles and
  /// registers every control; a re-layout keeps the dialog's current state.
  void InitSkinLayout() override;
  /// Lays the dialog out, sets its title and icon; returns true.
  bool OnInitDialog() override;
  /// The update flow: device and power checks, the worker, the result.
  void OnButtonUpdate();
  /// Asks for a power-off and closes the window.
  void OnButtonShutdown();
  /// Closes the window.
  void OnButtonLater();
  /// Re-runs the layout, which changes something only when the layout class changed.
  void OnDisplayChange();
  /// Closes the ACPI device and frees every control's images and fonts and the skin;
  /// runs once.
  void OnDestroy();

  /// The state the dialog is in.
  DialogState State() const { return state_; }
  /// True while the worker runs (the window can't be closed then).
  bool IsRunning() const { return flow_->IsRunning(); }
  /// Called with each busy frame as it is shown, for the tests and the demo.
  void SetBusyFrameObserver(std::function<void(int frame)> observer) {
    busyFrameObserver_ = std::move(observer);
  }
  /// Called once each time the flow reaches a new state.
  void SetStateObserver(std::function<void(DialogState)> observer) {
    stateObserver_ = std::move(observer);
  }
  /// The button that Enter presses and that has the focus when a state begins:
  /// Update when ready, Shut Down Now after a success, Exit after a failure; null
  /// while the worker runs.
  skin::CImageButton* PrimaryButton();
  /// The buttons Tab visits, in order: the shown and enabled ones of the bottom row
  /// from left to right, then the close button.
  std::vector<skin::CImageButton*> TabOrder();
  /// The marker shown on the emulated platform; null on real hardware.
  const skin::CTextLabel* EmulatedMarker() const { return lblEmulated_.get(); }
  /// The text of `key` in the dialog's language, at most capacity - 1 units.
  std::u16string LocalizedText(std::u16string_view key, std::size_t capacity) const override;

  /// Ends the dialog with `code`, except while the worker runs.
  void done(int code) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  /// Enter presses the focused button (the primary one unless Tab moved on), Escape
  /// ends the dialog as Exit does; neither does anything while the worker runs.
  void keyPressEvent(QKeyEvent* event) override;
  /// Tab and Shift+Tab walk TabOrder(), wrapping around.
  bool focusNextPrevChild(bool next) override;
  void showEvent(QShowEvent* event) override;
  /// Notices the window's native surface being destroyed from outside.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnControlClicked(int controlId);
  void ApplyLayout(double factor, uint16_t uiLanguage, int dpi);
  // How the shared update flow reaches this window's controls.
  void ShowFlowControl(int id, bool visible) override;
  void EnableFlowControl(int id, bool enabled) override;
  void SetMessage(const std::u16string& text) override;
  void ShowBusyFrame(int frame) override;
  void HandleQueuedInput() override;
  void EnterState(DialogState state) override;
  void OnRunEnded(const UpdateReport& report) override;
  skin::CSkinControl* ControlWithId(int id);
  void PostClose();
  void FocusButton(skin::CImageButton* button);
  void OnWindowLost();
  void LogRun(const UpdateReport& report);
  // The five buttons and seven labels, in the order the dialog creates them.
  std::array<skin::CImageButton*, 5> Buttons();
  std::array<skin::CTextLabel*, 7> Labels();
  // One of the twelve controls by its id; null when the id is not one of that kind.
  skin::CImageButton* ButtonWithId(int id);
  skin::CTextLabel* LabelWithId(int id);

  platform::IPlatform& platform_;
  platform::IDisplay& display_;
  ProgramVersion version_;
  std::unique_ptr<IWorkerRunner> runner_;
  AcpiDevice acpi_;
  CTbtWmiClient wmiClient_;
  std::unique_ptr<skin::CTextLabel> lblEmulated_;
  DialogState state_ = DialogState::Ready;
  std::unique_ptr<UpdateFlow> flow_;
  std::u16string message_;
  bool destroyed_ = false;
  bool ending_ = false;
  bool windowLost_ = false;
  bool watchingSurface_ = false;
  double pixelRatio_ = 1.0;
  std::string runStarted_;
  std::function<void(int)> busyFrameObserver_;
  std::function<void(DialogState)> stateObserver_;
};

}  // namespace tbt::ui
