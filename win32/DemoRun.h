#pragma once

// The headless demo of the Win32 window: presses Update by itself, writes the composed
// window as PNG at ready, running and finished, and tells whether the finished window
// shows the success text. Only the emulated platform is ever driven this way.

#include <string>

#include "win32/FwUpdateWindow.h"

namespace tbt::win32 {

/// Exit code of a demo whose finished window does not show the success text.
inline constexpr int kDemoNotSucceeded = 3;

class DemoRun {
 public:
  /// `window` must outlive the demo; `screenshotDir` empty saves nothing.
  DemoRun(FwUpdateWindow& window, bool autoPress, std::string screenshotDir);
  /// Starts the demo once the message loop runs.
  void Schedule();
  /// 0 when the finished window shows the success text (or nothing was pressed),
  /// kDemoNotSucceeded otherwise.
  int ExitCode() const { return exitCode_; }

 private:
  void Run();
  void Save(const char* name);

  FwUpdateWindow& window_;
  bool autoPress_;
  std::string screenshotDir_;
  int framesSeen_ = 0;
  int exitCode_ = 0;
};

}  // namespace tbt::win32
