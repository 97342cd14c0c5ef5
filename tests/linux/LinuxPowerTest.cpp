#include "platform/linux/LinuxPower.h"

#include <gtest/gtest.h>

#include "FakeSysfs.h"

namespace tbt::platform::linux_backend {
namespace {

using test::FakeSysfs;

struct Supply {
  const char* name;
  const char* type;
  const char* scope;
  const char* online;
  const char* status;
};

struct PowerCase {
  const char* name;
  std::vector<Supply> supplies;
  uint8_t acOnLine;
  uint8_t discharging;
};

TEST(LinuxPowerTest, DecidesMainsOrBatteryFromTheSystemSupplies) {
  const PowerCase cases[] = {
      {"laptop on its adapter",
       {{"AC", "Mains", "", "1", ""}, {"BAT0", "Battery", "", "", "Charging"}},
       1,
       0},
      {"laptop unplugged",
       {{"AC", "Mains", "", "0", ""}, {"BAT0", "Battery", "", "", "Discharging"}},
       0,
       1},
      {"powered over USB-C",
       {{"ucsi-source-psy-USBC000:001", "USB", "", "1", ""},
        {"BAT0", "Battery", "", "", "Discharging"}},
       1,
       1},
      {"USB power delivery type",
       {{"AC", "Mains", "", "0", ""},
        {"ucsi", "USB_PD", "System", "1", ""},
        {"BAT1", "Battery", "System", "", "Discharging"}},
       1,
       1},
      {"a mouse battery says nothing of the machine",
       {{"hidpp_battery_0", "Battery", "Device", "", "Discharging"}},
       1,
       0},
      {"a device-scope charger does not count as mains",
       {{"dock", "USB", "Device", "1", ""}, {"BAT0", "Battery", "", "", "Discharging"}},
       0,
       1},
      {"desktop with no supplies", {}, 1, 0},
      {"battery full, adapter state unknown", {{"BAT0", "Battery", "", "", "Full"}}, 1, 0},
  };
  for (const PowerCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSysfs sys;
    std::filesystem::create_directories(sys.Root() / "class/power_supply");
    for (const Supply& s : c.supplies) {
      sys.AddSupply(s.name, s.type, s.scope, s.online, s.status);
    }
    LinuxPower power(sys.Root());
    BatteryState state;
    state.acOnLine = 9;
    ASSERT_EQ(power.QueryBatteryState(&state), kStatusSuccess);
    EXPECT_EQ(state.acOnLine, c.acOnLine);
    EXPECT_EQ(state.discharging, c.discharging);
  }
}

TEST(LinuxPowerTest, AMachineWithoutThePowerSupplyClassRunsOnMains) {
  FakeSysfs sys;
  BatteryState state;
  ASSERT_EQ(QueryPowerSupplies(sys.Root(), &state), kStatusSuccess);
  EXPECT_EQ(state.acOnLine, 1);
  EXPECT_EQ(state.batteryPresent, 0);
}

TEST(LinuxPowerTest, AnUnreadableFolderIsAFailedQuery) {
  FakeSysfs sys;
  // A file where the folder should be cannot be listed.
  sys.Write("class/power_supply", "not a folder");
  BatteryState state;
  EXPECT_EQ(QueryPowerSupplies(sys.Root(), &state), kStatusUnsuccessful);
}

}  // namespace
}  // namespace tbt::platform::linux_backend
