#pragma once

// The board's ACPI device "\\.\KXRACPI" on Linux: it exists when the kernel's
// Thunderbolt bus does, and its DEVS call for the Thunderbolt controller switches the
// Intel WMI force_power attribute.

#include <cstdint>
#include <mutex>
#include <set>

#include "platform/Platform.h"
#include "platform/linux/PrivilegedOps.h"
#include "platform/linux/SysfsTree.h"

namespace tbt::platform::linux_backend {

/// The device path the engine opens.
inline constexpr std::u16string_view kAcpiDevicePath = u"\\\\.\\KXRACPI";
/// The one control code the device takes.
inline constexpr uint32_t kAcpiControlCode = 0x0022240C;
/// "DEVS", first letter in the lowest byte.
inline constexpr uint32_t kDevsMethodTag = 0x53564544;
/// The device id of DEVS that means the Thunderbolt controller.
inline constexpr uint32_t kThunderboltDeviceId = 0x00060057;

/// Serves \\.\KXRACPI over sysfs.
class LinuxDeviceIo final : public IDeviceIo {
 public:
  /// `tree` and `privileged` must outlive this object.
  LinuxDeviceIo(const SysfsTree& tree, IPrivilegedOps& privileged)
      : tree_(tree), privileged_(privileged) {}

  /// A handle when the path is \\.\KXRACPI and the Thunderbolt bus exists.
  Handle OpenDevice(std::u16string_view path) override;
  /// Takes DEVS for the Thunderbolt device with value 0 or 1; any other request fails.
  /// The answer's first 4 bytes are 0 (the method's result).
  bool DeviceIoControl(Handle device, uint32_t controlCode, const uint8_t* input,
                       uint32_t inputSize, uint8_t* output, uint32_t outputSize,
                       uint32_t* bytesReturned) override;
  bool CloseHandle(Handle device) override;

 private:
  const SysfsTree& tree_;
  IPrivilegedOps& privileged_;
  std::mutex mutex_;
  std::set<Handle> open_;
  Handle next_ = 0x100;
};

}  // namespace tbt::platform::linux_backend
