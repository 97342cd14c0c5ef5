#pragma once

// The Windows system services behind the platform interfaces: driver devices, the
// service control manager, power, and facts about the program and its user.

#include <string>
#include <utility>

#include "platform/Platform.h"

namespace tbt::platform::windows_backend {

/// Devices through CreateFileW, DeviceIoControl and CloseHandle.
class WindowsDeviceIo final : public IDeviceIo {
 public:
  /// Opens for reading and writing, shared both ways, an existing device only.
  Handle OpenDevice(std::u16string_view path) override;
  bool DeviceIoControl(Handle device, uint32_t controlCode, const uint8_t* input,
                       uint32_t inputSize, uint8_t* output, uint32_t outputSize,
                       uint32_t* bytesReturned) override;
  bool CloseHandle(Handle device) override;
};

/// The service control manager of this machine, with all access rights.
class WindowsServiceManager final : public IServiceManager {
 public:
  Handle OpenManager() override;
  Handle OpenByName(Handle manager, std::u16string_view name) override;
  bool Start(Handle service) override;
  uint32_t GetLastError() override;
  bool CloseServiceHandle(Handle handle) override;
};

/// The battery record of CallNtPowerInformation, the shut-down privilege of the
/// process token, and ExitWindowsEx.
class WindowsPower final : public IPower {
 public:
  int32_t QueryBatteryState(BatteryState* state) override;
  bool EnableShutdownPrivilege() override;
  /// A power-off, not a restart, and not forced: programs may still object.
  bool RequestPowerOff() override;
};

/// GetModuleFileNameW and GetUserDefaultUILanguage.
class WindowsSystemInfo final : public ISystemInfo {
 public:
  /// `moduleFileName` stands in for the program's own path when not empty.
  explicit WindowsSystemInfo(std::u16string moduleFileName = {})
      : moduleFileName_(std::move(moduleFileName)) {}

  /// The running program's full path ('\\'-separated), or the path given instead;
  /// empty when it cannot be read.
  std::u16string ModuleFileName() override;
  uint16_t UserDefaultUILanguage() override;

 private:
  std::u16string moduleFileName_;
};

}  // namespace tbt::platform::windows_backend
