#pragma once

// Power on Linux: mains or battery from the kernel's power_supply class, and the
// power-off through logind over the system bus.

#include <filesystem>

#include "platform/Platform.h"

namespace tbt::platform::linux_backend {

/// Reads the power supplies below <sysfsRoot>/class/power_supply. Mains when any
/// system-scope supply of type Mains or USB* is online; on battery when none is and a
/// system battery discharges; mains when nothing is found. An unreadable folder is a
/// failed query.
int32_t QueryPowerSupplies(const std::filesystem::path& sysfsRoot, BatteryState* state);

/// IPower over power_supply and logind.
class LinuxPower final : public IPower {
 public:
  explicit LinuxPower(std::filesystem::path sysfsRoot) : sysfsRoot_(std::move(sysfsRoot)) {}

  int32_t QueryBatteryState(BatteryState* state) override;
  /// logind asks polkit itself when the power-off is requested: nothing to enable.
  bool EnableShutdownPrivilege() override { return true; }
  /// Calls logind's PowerOff(false) on the system bus; false when refused or unreachable.
  bool RequestPowerOff() override;

 private:
  std::filesystem::path sysfsRoot_;
};

}  // namespace tbt::platform::linux_backend
