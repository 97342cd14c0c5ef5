#pragma once

// A dialog on an emulated machine with a known Update.ini, a display the test sets,
// and a worker runner the test steps.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>

#include "dialog/WorkerRunner.h"
#include "platform/emulated/EmulatedPlatform.h"
#include "tests/support/QtTestSupport.h"
#include "ui/FwUpdateDlg.h"

namespace tbt::ui::testing {

using tbt::test::FakeDisplay;

/// Texts of the test's Update.ini.
inline constexpr char16_t kPromptEn[] = u"Press Update to begin.";
inline constexpr char16_t kSuccessEn[] = u"The firmware was updated.";
inline constexpr char16_t kErrorEn[] = u"The update failed";
inline constexpr char16_t kNoDeviceEn[] = u"The board driver is missing.";
inline constexpr char16_t kCautionEn[] = u"Connect the AC adapter.";
inline constexpr char16_t kUpdateJa[] = u"\u66F4\u65B0";

/// A runner that reports a set number of time-outs before the worker's end, runs the
/// body on the calling thread and records each wait.
class SteppedRunner final : public IWorkerRunner {
 public:
  int timeouts = 0;
  bool failStart = false;
  int starts = 0;
  std::vector<uint32_t> waits;

  bool Start(std::function<void()> body) override {
    if (failStart) {
      return false;
    }
    ++starts;
    remaining_ = timeouts;
    body();
    return true;
  }
  bool WaitFor(uint32_t milliseconds) override {
    waits.push_back(milliseconds);
    return remaining_-- <= 0;
  }

 private:
  int remaining_ = 0;
};

/// Builds the machine, the folder beside the "program" and the dialog.
class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// Builds the dialog (after the test has adjusted `options` and `display`) and lays
  /// it out as its first showing would.
  void CreateDialog(std::unique_ptr<IWorkerRunner> runner = nullptr);
  /// Puts the demo image for the built-in controller into the program's data folder.
  void PutImage();
  /// Where the dialog appends its log of runs.
  QString LogPath() const {
    return QDir(folder_.path()).filePath("state/tbt-fwupdate/updates.log");
  }

  QTemporaryDir folder_;
  emulated::EmulatedOptions options;
  FakeDisplay display;
  std::unique_ptr<emulated::EmulatedPlatform> machine;
  SteppedRunner* runner = nullptr;  // owned by the dialog
  std::unique_ptr<CFwUpdateDlg> dialog;
};

/// Text of a control as UTF-16.
std::u16string TextOf(const skin::CSkinControl& control);

/// Fails the test unless the dialog is in `state` and its controls look as that
/// state's row of the test's own table says.
void ExpectLook(const CFwUpdateDlg& dialog, DialogState state);

/// Presses a key on the focused control (or the dialog when none has the focus).
void PressKey(CFwUpdateDlg& dialog, Qt::Key key, Qt::KeyboardModifiers modifiers = {});

/// Fails the test unless the focus starts on the primary button, Tab walks the shown
/// buttons of the dialog's state and the close button and round again, and Shift+Tab
/// then reaches the close button, which alone wears the focus ring. The dialog must
/// be shown.
void ExpectTabWalk(CFwUpdateDlg& dialog);

}  // namespace tbt::ui::testing
