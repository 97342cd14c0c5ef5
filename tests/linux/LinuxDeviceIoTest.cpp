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
  FakeSysfs sys_;
  SysfsTree tree_{sys_.Root()};
  DirectPrivilegedOps ops_{tree_};
  LinuxDeviceIo io_{tree_, ops_};
};

TEST_F(LinuxDeviceIoTest, ExistsOnlyWhenTheThunderboltBusDoes) {
  EXPECT_EQ(io_.OpenDevice(kAcpiDevicePath), kInvalidHandle);
  sys_.Write("bus/thunderbolt/devices/domain0/security", "user\n");
  EXPECT_EQ(io_.OpenDevice(u"\\\\.\\OTHER"), kInvalidHandle);
  const Handle handle = io_.OpenDevice(kAcpiDevicePath);
  EXPECT_TRUE(IsOpen(handle));
  EXPECT_TRUE(io_.CloseHandle(handle));
  EXPECT_FALSE(io_.CloseHandle(handle));
}

TEST_F(LinuxDeviceIoTest, TheEnginesSwitchCallsDriveForcePower) {
  sys_.Write("bus/thunderbolt/devices/domain0/security", "user\n");
  const auto forcePower = sys_.AddForcePower("-1");
  AcpiDevice device(io_);
  ASSERT_TRUE(OpenAcpiDevice(device));
  uint32_t result = 0xFFFF;
  ASSERT_TRUE(AcpiCallMethod(device, kAcpiMethodDevs, kThunderboltPlatformDevice, 1, &result));
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(sys_.Read(forcePower.lexically_relative(sys_.Root())), "1");
  ASSERT_TRUE(AcpiCallMethod(device, kAcpiMethodDevs, kThunderboltPlatformDevice, 0, &result));
  EXPECT_EQ(sys_.Read(forcePower.lexically_relative(sys_.Root())), "0");
}

TEST_F(LinuxDeviceIoTest, WithoutForcePowerTheSwitchSucceedsDoingNothing) {
  sys_.Write("bus/thunderbolt/devices/domain0/security", "user\n");
  AcpiDevice device(io_);
  ASSERT_TRUE(OpenAcpiDevice(device));
  uint32_t result = 0xFFFF;
  EXPECT_TRUE(AcpiCallMethod(device, kAcpiMethodDevs, kThunderboltPlatformDevice, 1, &result));
  EXPECT_FALSE(std::filesystem::exists(sys_.Root() / "bus/wmi"));
}

TEST_F(LinuxDeviceIoTest, RefusesRequestsItDoesNotKnow) {
  sys_.Write("bus/thunderbolt/devices/domain0/security", "user\n");
  const auto forcePower = sys_.AddForcePower();
  AcpiDevice device(io_);
  ASSERT_TRUE(OpenAcpiDevice(device));
  struct Case {
    const char* name;
    uint32_t tag;
    uint32_t deviceId;
    uint32_t value;
  };
  const Case cases[] = {
      {"another method", 0x54534554, kThunderboltPlatformDevice, 1},
      {"another device", kAcpiMethodDevs, 0x00060058, 1},
      {"a value other than 0 or 1", kAcpiMethodDevs, kThunderboltPlatformDevice, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uint32_t result = 0xFFFF;
    EXPECT_FALSE(AcpiCallMethod(device, c.tag, c.deviceId, c.value, &result));
    EXPECT_EQ(result, 0xFFFFu);
  }
  uint8_t shortRequest[8] = {0x44, 0x45, 0x56, 0x53, 0, 0, 0, 0};
  uint32_t returned = 0;
  EXPECT_FALSE(io_.DeviceIoControl(device.NativeHandle(), kAcpiControlCode, shortRequest,
                                   sizeof(shortRequest), nullptr, 0, &returned));
  EXPECT_EQ(sys_.Read(forcePower.lexically_relative(sys_.Root())), "0\n");
}

TEST_F(LinuxDeviceIoTest, AForcePowerLinkLeavingTheRootIsNotWritten) {
  sys_.Write("bus/thunderbolt/devices/domain0/security", "user\n");
  std::filesystem::create_directories(sys_.Outside());
  { std::ofstream(sys_.Outside() / "force_power") << "untouched"; }
  const auto dir = sys_.Root() / "bus/wmi/devices/86CCFD48-205E-4A77-9C48-2021CBEDE341";
  std::filesystem::create_directories(dir);
  std::filesystem::create_symlink(sys_.Outside() / "force_power", dir / "force_power");
  AcpiDevice device(io_);
  ASSERT_TRUE(OpenAcpiDevice(device));
  uint32_t result = 0;
  EXPECT_FALSE(AcpiCallMethod(device, kAcpiMethodDevs, kThunderboltPlatformDevice, 1, &result));
  std::ifstream in(sys_.Outside() / "force_power");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "untouched");
}

}  // namespace
}  // namespace tbt::platform::linux_backend
