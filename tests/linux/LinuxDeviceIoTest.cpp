#include "platform/linux/LinuxDeviceIo.h"

#include <gtest/gtest.h>

#include "FakeSysfs.h"
#include "platform/linux/PrivilegedOps.h"
#include "update/AcpiDevice.h"

namespace tbt::platform::linux_backend {
namespace {

using test::FakeSysfs;

class LinuxDeviceIoTest : public testing::Test {
 protected:
  void Open() {
    sys_.AddThunderboltBus();
    ASSERT_TRUE(OpenAcpiDevice(device_));
  }
  bool SwitchPower(uint32_t value, uint32_t* result) {
    return AcpiCallMethod(device_, kAcpiMethodDevs, kThunderboltPlatformDevice, value, result);
  }

  FakeSysfs sys_;
  SysfsTree tree_{sys_.Root()};
  DirectPrivilegedOps ops_{tree_};
  test::ScriptedClock clock_;
  ForcePowerHold hold_;
  LinuxDeviceIo io_{tree_, ops_, clock_, hold_};
  AcpiDevice device_{io_};
};

TEST_F(LinuxDeviceIoTest, ExistsWithTheBusOrForcePowerAndSwitchesWithoutForcePower) {
  // A controller powered down at boot (force power only) is the worker test's case.
  EXPECT_EQ(io_.OpenDevice(kAcpiDevicePath), kInvalidHandle);
  sys_.AddThunderboltBus();
  EXPECT_EQ(io_.OpenDevice(u"\\\\.\\OTHER"), kInvalidHandle);
  const Handle handle = io_.OpenDevice(kAcpiDevicePath);
  EXPECT_TRUE(IsOpen(handle));
  EXPECT_TRUE(io_.CloseHandle(handle));
  EXPECT_FALSE(io_.CloseHandle(handle));

  // Without the attribute the controller is always powered: the switch does nothing.
  Open();
  uint32_t result = 0xFFFF;
  EXPECT_TRUE(SwitchPower(1, &result));
  EXPECT_FALSE(std::filesystem::exists(sys_.Root() / "bus/wmi"));
  // No host router ever appears: the wait for one is bounded.
  EXPECT_EQ(clock_.TotalSlept(), kHostRouterAppearMilliseconds);
}

TEST_F(LinuxDeviceIoTest, OnlyTheEnginesSwitchCallsDriveForcePower) {
  Open();
  const auto forcePower = sys_.AddForcePower("-1");
  struct Case {
    const char* name;
    uint32_t tag;
    uint32_t deviceId;
    uint32_t value;
    bool accepted;
    const char* attribute;
  };
  const Case cases[] = {
      {"on", kAcpiMethodDevs, kThunderboltPlatformDevice, 1, true, "1"},
      {"off", kAcpiMethodDevs, kThunderboltPlatformDevice, 0, true, "0"},
      {"another method", 0x54534554, kThunderboltPlatformDevice, 1, false, "0"},
      {"another device", kAcpiMethodDevs, 0x00060058, 1, false, "0"},
      {"a value other than 0 or 1", kAcpiMethodDevs, kThunderboltPlatformDevice, 2, false, "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uint32_t result = 0xFFFF;
    EXPECT_EQ(AcpiCallMethod(device_, c.tag, c.deviceId, c.value, &result), c.accepted);
    EXPECT_EQ(result, c.accepted ? 0u : 0xFFFFu);
    EXPECT_EQ(sys_.Read(forcePower), c.attribute);
  }
  uint8_t shortRequest[8] = {0x44, 0x45, 0x56, 0x53, 0, 0, 0, 0};
  uint32_t returned = 0;
  EXPECT_FALSE(io_.DeviceIoControl(device_.NativeHandle(), kAcpiControlCode, shortRequest,
                                   sizeof(shortRequest), nullptr, 0, &returned));
}

}  // namespace
}  // namespace tbt::platform::linux_backend
