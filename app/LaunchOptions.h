#pragma once

// How the program was asked to run, read from its environment: which platform
// backend, and on the emulated one how the machine should behave.

#include <functional>
#include <string>
#include <vector>

#include "platform/emulated/LaunchVariables.h"

namespace tbt::app {

/// Everything the environment can set.
struct LaunchOptions {
  emulated::Backend backend = emulated::Backend::kLinux;
  /// TBT_EMULATED_CONTROLLER: an image or NVM file for the emulated controller; empty
  /// means the built-in controller.
  std::string controllerFile;
  /// TBT_EMULATED_POWER: battery or fail; mains otherwise.
  emulated::PowerMode power = emulated::PowerMode::kMains;
  /// TBT_EMULATED_DEVICE=absent removes the board's ACPI device.
  bool acpiDeviceAbsent = false;
  /// TBT_EMULATED_WAIT_SCALE: how long the worker's waits really take, as a fraction of
  /// their nominal length (0.1 turns each 10 s wait into 1 s).
  double waitScale = 0.1;
  /// TBT_DEMO_AUTOPRESS=1: press Update once the window is shown (emulated only).
  bool autoPress = false;
  /// TBT_DEMO_AUTOPRESS=enter: press it with the Enter key, as a keyboard user would.
  bool pressWithEnter = false;
  /// TBT_DEMO_SCREENSHOT_DIR: save the ready and the finished window there and quit
  /// (emulated only).
  std::string screenshotDir;
  /// Why the options can't be used; the program refuses to start when non-empty.
  std::vector<std::string> errors;
};

/// Reads the options through `getEnv` (nullptr for an unset variable). An unknown
/// backend or value is an error, never a silent fall-back to real hardware; the demo
/// variables count only on the emulated backend.
LaunchOptions ReadLaunchOptions(const std::function<const char*(const char*)>& getEnv);

}  // namespace tbt::app
