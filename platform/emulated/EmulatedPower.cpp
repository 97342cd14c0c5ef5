#include "platform/emulated/EmulatedPower.h"

#include "platform/emulated/EmulatedCallLog.h"

namespace tbt::emulated {

EmulatedPower::EmulatedPower(EmulatedCallLog* log) : log_(log) {}

int32_t EmulatedPower::QueryBatteryState(platform::BatteryState* state) {
  std::lock_guard lock(mutex_);
  if (log_ != nullptr) {
    log_->Record(CallKind::kBatteryQuery);
  }
  if (mode_ == PowerMode::kQueryFails || state == nullptr) {
    return platform::kStatusUnsuccessful;
  }
  const bool onBattery = mode_ == PowerMode::kBattery;
  state->acOnLine = onBattery ? 0 : 1;
  state->batteryPresent = onBattery ? 1 : 0;
  state->charging = 0;
  state->discharging = onBattery ? 1 : 0;
  return platform::kStatusSuccess;
}

bool EmulatedPower::EnableShutdownPrivilege() {
  std::lock_guard lock(mutex_);
  if (log_ != nullptr) {
    log_->Record(CallKind::kShutdownPrivilege);
  }
  privilegeHeld_ = !privilegeRefused_;
  return privilegeHeld_;
}

bool EmulatedPower::RequestPowerOff() {
  std::lock_guard lock(mutex_);
  if (log_ != nullptr) {
    log_->Record(CallKind::kPowerOff);
  }
  ++powerOffRequests_;
  // Like the real system: without the privilege the request is refused.
  if (!privilegeHeld_) {
    return false;
  }
  poweredOff_ = true;
  return true;
}

void EmulatedPower::SetMode(PowerMode mode) {
  std::lock_guard lock(mutex_);
  mode_ = mode;
}

PowerMode EmulatedPower::Mode() const {
  std::lock_guard lock(mutex_);
  return mode_;
}

void EmulatedPower::SetPrivilegeRefused(bool refused) {
  std::lock_guard lock(mutex_);
  privilegeRefused_ = refused;
  if (refused) {
    privilegeHeld_ = false;
  }
}

size_t EmulatedPower::PowerOffRequests() const {
  std::lock_guard lock(mutex_);
  return powerOffRequests_;
}

bool EmulatedPower::PoweredOff() const {
  std::lock_guard lock(mutex_);
  return poweredOff_;
}

}  // namespace tbt::emulated
