#pragma once

// The real-hardware backend on Windows: the controller's WMI provider through COM,
// the board's ACPI driver device, the service control manager, the system's power
// state and power-off, and a named object as the machine-wide update lock.

#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/windows/WindowsUpdateLock.h"

namespace tbt::platform::windows_backend {

struct WindowsOptions {
  /// The program path the engine sees; empty: this program's own.
  std::u16string moduleFileName;
  /// The update lock's object name; tests give one of their own.
  std::u16string updateLockName = kUpdateLockName;
};

/// The backend of this machine.
std::unique_ptr<IPlatform> CreateWindowsPlatform(WindowsOptions options = {});

}  // namespace tbt::platform::windows_backend
