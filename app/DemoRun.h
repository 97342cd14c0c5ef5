#pragma once

// The headless demo: press Update by itself, save pictures of the window as it goes,
// and tell whether the finished window shows the success text. Only the emulated
// platform is ever driven this way.

#include <QObject>
#include <string>

#include "app/LaunchOptions.h"
#include "ui/FwUpdateDlg.h"

namespace tbt::app {

/// Exit code of a demo whose finished window does not show the success text.
inline constexpr int kDemoNotSucceeded = 3;

/// Drives one dialog through the demo once its modal loop runs.
class DemoRun : public QObject {
  Q_OBJECT

 public:
  /// `dialog` must outlive this object.
  DemoRun(ui::CFwUpdateDlg& dialog, const LaunchOptions& options);

  /// Schedules the demo to start as soon as the dialog's modal loop runs.
  void ScheduleStart();
  /// 0 when the finished window shows the success text (or nothing was pressed),
  /// kDemoNotSucceeded otherwise.
  int ExitCode() const { return exitCode_; }

 private:
  void Run();
  void Save(const char* name);

  ui::CFwUpdateDlg& dialog_;
  std::string screenshotDir_;
  bool autoPress_ = false;
  bool pressWithEnter_ = false;
  int framesSeen_ = 0;
  int exitCode_ = 0;
};

}  // namespace tbt::app
