#pragma once

// The board's ACPI device "\\.\KXRACPI" on Linux: it exists when the kernel's
// Thunderbolt bus or the Intel WMI force_power attribute does (a controller powered
// down at boot has no bus until force power is on), and its DEVS call for the
// Thunderbolt controller switches force_power.

#include <cstdint>
#include <mutex>
#include <set>

#include "platform/Platform.h"
#include "platform/linux/ForcePowerHold.h"
#include "platform/linux/PrivilegedOps.h"
#include "platform/linux/SysfsTree.h"

namespace tbt::platform::linux_backend {

/// How long a host router has to appear after force power is switched on.
inline constexpr uint64_t kHostRouterAppearMilliseconds = 20'000;
/// How often the tree is looked at meanwhile.
inline constexpr uint32_t kHostRouterPollMilliseconds = 250;

/// Serves \\.\KXRACPI over sysfs.
class LinuxDeviceIo final : public IDeviceIo {
 public:
  /// All four must outlive this object.
  LinuxDeviceIo(const SysfsTree& tree, IPrivilegedOps& privileged, IClock& clock,
                const ForcePowerHold& hold)
      : tree_(tree), privileged_(privileged), clock_(clock), hold_(hold) {}

  /// A handle when the path is \\.\KXRACPI and the Thunderbolt bus or force_power exists.
  Handle OpenDevice(std::u16string_view path) override;
  /// Takes DEVS for the Thunderbolt device with value 0 or 1; any other request fails.
  /// On waits (through the clock, bounded) for a host router to appear. Off leaves force
  /// power on while the outcome of an authentication is unknown, and ends the
  /// privileged steps of the update either way. The answer's first 4 bytes are 0.
  bool DeviceIoControl(Handle device, uint32_t controlCode, const uint8_t* input,
                       uint32_t inputSize, uint8_t* output, uint32_t outputSize,
                       uint32_t* bytesReturned) override;
  bool CloseHandle(Handle device) override;

 private:
  const SysfsTree& tree_;
  IPrivilegedOps& privileged_;
  IClock& clock_;
  const ForcePowerHold& hold_;
  std::mutex mutex_;
  std::set<Handle> open_;
  Handle next_ = 0x100;
};

}  // namespace tbt::platform::linux_backend
