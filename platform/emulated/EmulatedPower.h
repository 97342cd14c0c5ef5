#pragma once

#include <cstddef>
#include <mutex>

#include "platform/Platform.h"

namespace tbt::emulated {

class EmulatedCallLog;

/// Where the emulated machine takes its power from.
enum class PowerMode {
  kMains,       ///< AC on line, no battery
  kBattery,     ///< running on battery, discharging
  kQueryFails,  ///< the power query itself fails
};

/// Power source and power-off of the emulated machine. A power-off is only
/// recorded; it never touches the real machine. It succeeds only after the
/// shut-down privilege was granted.
class EmulatedPower final : public platform::IPower {
 public:
  explicit EmulatedPower(EmulatedCallLog* log = nullptr);

  int32_t QueryBatteryState(platform::BatteryState* state) override;
  bool EnableShutdownPrivilege() override;
  bool RequestPowerOff() override;

  /// Chooses the power source the query reports.
  void SetMode(PowerMode mode);
  PowerMode Mode() const;
  /// Refuses (or grants again) the shut-down privilege.
  void SetPrivilegeRefused(bool refused);
  /// Number of power-off requests, granted or not.
  size_t PowerOffRequests() const;
  /// True once a power-off request was granted.
  bool PoweredOff() const;

 private:
  EmulatedCallLog* log_;
  mutable std::mutex mutex_;
  PowerMode mode_ = PowerMode::kMains;
  bool privilegeRefused_ = false;
  bool privilegeHeld_ = false;
  size_t powerOffRequests_ = 0;
  bool poweredOff_ = false;
};

}  // namespace tbt::emulated
