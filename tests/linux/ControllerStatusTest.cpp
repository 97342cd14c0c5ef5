#include "platform/linux/ControllerStatus.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "FakeSysfs.h"
#include "platform/linux/LinuxPower.h"
#include "platform/linux/LinuxReturnValues.h"

namespace tbt::platform::linux_backend {
namespace {

using test::FakeSysfs;

TEST(ControllerStatusTest, ReportsRoutersForcedPowerAndMains) {
  FakeSysfs sys;
  sys.AddHostRouter("0-0", "20.5\n", {1, 2, 3, 4});
  sys.AddHostRouter("1-0", "garbage\n", {1, 2, 3, 4});
  // Any bytes: a terminal escape and a byte that is no UTF-8.
  sys.Write(FakeSysfs::Router("1-0") / "device_name", "Say \"hi\"\x1B[2J\xFF\n");
  std::filesystem::remove(sys.Root() / FakeSysfs::Router("1-0") / "nvm_authenticate");
  sys.AddForcePower();
  sys.AddSupply("AC Mains - 1 -");

  const MachineStatus status = CollectMachineStatus(sys.Root());
  const std::string json = FormatStatusJson(status);
  for (const char* part :
       {"{\"controller_id\": \"0-0\", \"nvm_version\": \"20.5\", \"version_error\": 0, "
        "\"device_name\": \"Thunderbolt Controller\", \"vendor_name\": \"Intel\", "
        "\"upgradable\": true}",
        "\"nvm_version\": null, \"version_error\": 536870914, "
        "\"device_name\": \"Say \\\"hi\\\"\\u001B[2J\xEF\xBF\xBD\", "
        "\"vendor_name\": \"Intel\", \"upgradable\": false}",
        "\"thunderbolt_bus\": true", "\"force_power\": true, \"on_mains\": true}\n"}) {
    EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
  }
  const std::string text = FormatStatusText(status);
  EXPECT_NE(text.find("  nvm version 20.5\n"), std::string::npos) << text;
  EXPECT_NE(text.find("0x20000002 nvm_version does not read"), std::string::npos) << text;
  EXPECT_NE(text.find("power:        mains\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  device      Say \"hi\"\\x1B[2J\xEF\xBF\xBD\n"), std::string::npos) << text;
}

TEST(ControllerStatusTest, AMachineWithoutThunderboltSaysSo) {
  FakeSysfs sys;
  sys.AddSupply("AC Mains - 0 -");
  sys.AddSupply("BAT0 Battery - - Discharging");
  const MachineStatus status = CollectMachineStatus(sys.Root());
  EXPECT_EQ(FormatStatusJson(status),
            "{\"platform\": \"linux\", \"sysfs_root\": \"" + sys.Root().string() +
                "\", \"thunderbolt_bus\": false, \"controllers\": [], \"force_power\": false, "
                "\"on_mains\": false}\n");
  const std::string text = FormatStatusText(status);
  EXPECT_NE(text.find("no Thunderbolt bus"), std::string::npos);
  EXPECT_NE(text.find("power:        battery\n"), std::string::npos);
}

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
