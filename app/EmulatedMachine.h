#pragma once

// The emulated machine the window runs on when TBT_PLATFORM=emulated.

#include <memory>
#include <string>

#include "app/LaunchOptions.h"
#include "platform/Platform.h"

namespace tbt::app {

/// An emulated platform set up from the launch options, with the clocks it needs.
struct EmulatedMachine {
  /// The real clock under the scaled one; also what the dialog's waiting loop uses.
  std::unique_ptr<platform::IClock> realClock;
  /// The clock the worker's waits go through.
  std::unique_ptr<platform::IClock> workerClock;
  std::unique_ptr<platform::IPlatform> platform;
};

/// Builds the machine: the controller from options.controllerFile (an image when it
/// holds a valid section pointer, else the controller's NVM bytes) or the built-in one,
/// the power source, the ACPI device, and the program's own path so that the update
/// image is looked for in `programPath`'s data folder. Null with *error set when the
/// controller file can't be read.
EmulatedMachine CreateEmulatedMachine(const LaunchOptions& options, const std::string& programPath,
                                      std::string* error);

}  // namespace tbt::app
