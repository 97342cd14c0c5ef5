#include "platform/linux/LinuxPower.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "FakeSysfs.h"

namespace tbt::platform::linux_backend {
namespace {

using test::FakeSysfs;

TEST(LinuxPowerTest, DecidesMainsOrBatteryFromTheSystemSupplies) {
  struct Case {
    const char* name;
    // One supply a line: name, type, scope, online, status; "-" leaves an attribute out.
    const char* supplies;
    uint8_t acOnLine;
    uint8_t discharging;
  };
  const Case cases[] = {
      {"on its adapter", "AC Mains - 1 -\nBAT0 Battery - - Charging", 1, 0},
      {"unplugged", "AC Mains - 0 -\nBAT0 Battery - - Discharging", 0, 1},
      {"USB power delivery",
       "AC Mains - 0 -\nucsi USB_PD System 1 -\nBAT1 Battery System - Discharging", 1, 1},
      {"a mouse battery says nothing of the machine",
       "hidpp_battery_0 Battery Device - Discharging", 1, 0},
      {"battery full, adapter unknown", "BAT0 Battery - - Full", 1, 0},
      {"no power supplies at all", "", 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSysfs sys;
    std::istringstream lines(c.supplies);
    for (std::string line; std::getline(lines, line);) {
      sys.AddSupply(line);
    }
    BatteryState state;
    ASSERT_EQ(LinuxPower(sys.Root()).QueryBatteryState(&state), kStatusSuccess);
    EXPECT_EQ(state.acOnLine, c.acOnLine);
    EXPECT_EQ(state.discharging, c.discharging);
  }
}

TEST(LinuxPowerTest, AnUnlistableClassFails) {
  FakeSysfs sys;
  sys.Write("class/power_supply", "not a folder");
  BatteryState state;
  EXPECT_EQ(QueryPowerSupplies(sys.Root(), &state), kStatusUnsuccessful);
}

}  // namespace
}  // namespace tbt::platform::linux_backend
