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

TEST_F(LinuxDeviceIoTest, ExistsWithTheBusSwitchesNothingWithoutForcePowerAndRefusesShortRequests) {
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
  // The switch with force power is the worker test's; a request cut short is refused.
  uint8_t shortRequest[8] = {0x44, 0x45, 0x56, 0x53, 0, 0, 0, 0};
  uint32_t returned = 0;
  EXPECT_FALSE(io_.DeviceIoControl(device_.NativeHandle(), kAcpiControlCode, shortRequest,
                                   sizeof(shortRequest), nullptr, 0, &returned));
}

}  // namespace
}  // namespace tbt::platform::linux_backend
