#include "update/BatteryPower.h"

namespace tbt {

bool RunsOnBattery(platform::IPower& power) {
  platform::BatteryState battery;
  return power.QueryBatteryState(&battery) == platform::kStatusSuccess && battery.acOnLine == 0;
}

}  // namespace tbt
