#include "platform/linux/ControllerStatus.h"

#include <gtest/gtest.h>

#include "FakeSysfs.h"
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

}  // namespace
}  // namespace tbt::platform::linux_backend
