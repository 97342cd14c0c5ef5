#include "platform/linux/LinuxPower.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "FakeSysfs.h"

namespace tbt::platform::linux_backend {
namespace {

using test::FakeSysfs;

TEST(LinuxPowerTest, DecidesMainsOrBatteryFromTheSystemSupplies) {
  using Supply = std::array<const char*, 5>;  // name, type, scope, online, status
  struct Case {
    const char* name;
    std::vector<Supply> supplies;
    uint8_t acOnLine;
    uint8_t discharging;
  };
  const Case cases[] = {
      {"on its adapter",
       {{"AC", "Mains", "", "1", ""}, {"BAT0", "Battery", "", "", "Charging"}},
       1,
       0},
      {"unplugged",
       {{"AC", "Mains", "", "0", ""}, {"BAT0", "Battery", "", "", "Discharging"}},
       0,
       1},
      {"USB power delivery",
       {{"AC", "Mains", "", "0", ""},
        {"ucsi", "USB_PD", "System", "1", ""},
        {"BAT1", "Battery", "System", "", "Discharging"}},
       1,
       1},
      {"a mouse battery says nothing of the machine",
       {{"hidpp_battery_0", "Battery", "Device", "", "Discharging"}},
       1,
       0},
      {"battery full, adapter unknown", {{"BAT0", "Battery", "", "", "Full"}}, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSysfs sys;
    for (const Supply& s : c.supplies) {
      sys.AddSupply(s[0], s[1], s[2], s[3], s[4]);
    }
    BatteryState state;
    ASSERT_EQ(LinuxPower(sys.Root()).QueryBatteryState(&state), kStatusSuccess);
    EXPECT_EQ(state.acOnLine, c.acOnLine);
    EXPECT_EQ(state.discharging, c.discharging);
  }
}

TEST(LinuxPowerTest, WithoutTheClassItIsMainsAndAnUnlistableClassFails) {
  FakeSysfs sys;
  BatteryState state;
  ASSERT_EQ(QueryPowerSupplies(sys.Root(), &state), kStatusSuccess);
  EXPECT_EQ(state.acOnLine, 1);
  sys.Write("class/power_supply", "not a folder");
  EXPECT_EQ(QueryPowerSupplies(sys.Root(), &state), kStatusUnsuccessful);
}

}  // namespace
}  // namespace tbt::platform::linux_backend
