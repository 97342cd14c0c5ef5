#pragma once

// The application: chooses the platform backend, reads the command line and runs the
// main dialog modally; the program ends when the dialog ends.

#include <cstdint>

#include "app/LaunchOptions.h"

namespace tbt::app {

/// The launch options of this process's environment; reports each error on stderr.
/// Needs no display, so a bad environment is refused before any window system starts.
LaunchOptions ReadProcessLaunchOptions();

/// Exit code when the program refuses to start (bad environment, no backend).
inline constexpr int kExitRefused = 2;

/// The application object with the two settings the command line can change.
class CFwUpdateApp {
 public:
  /// 1 when /downgradable was given.
  int32_t downgradeAllowed = 0;
  /// The text language: the user's UI language, or the value of /LID:.
  uint16_t langId = 0;

  /// Runs the whole program with main()'s arguments and the launch options (a
  /// QApplication must exist) and returns the process's exit code.
  int InitInstance(int argc, const char* const* argv, const LaunchOptions& options);
};

}  // namespace tbt::app
