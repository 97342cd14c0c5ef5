#include <gtest/gtest.h>

#include <memory>

#include "platform/TbtProviderNames.h"
#include "platform/emulated/EmulatedPlatform.h"
#include "platform/emulated/EmulatedTbtProvider.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "platform/wmi/Wmi.h"

namespace tbt::emulated {
namespace {

TEST(ManualClockTest, SleepAdvancesVirtualTimeAtOnceAndIsRecorded) {
  EmulatedCallLog log;
  ManualClock clock(&log, 500);
  clock.Sleep(10000);
  clock.Sleep(3'600'000);
  clock.Advance(7);
  EXPECT_EQ(clock.NowMilliseconds(), 500u + 10000u + 3'600'000u + 7u);
  EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{10000, 3'600'000}));
  EXPECT_EQ(clock.TotalSlept(), 3'610'000u);
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Sleep 10000", "Sleep 3600000"}));
}

class EmulatedPlatformTest : public ::testing::Test {
 protected:
  wmi::HRESULT Connect() {
    wmi::WbemLocator locator(platform->Wmi());
    return locator.ConnectServer(kTbtNamespace, &services);
  }

  size_t InstanceCount() {
    std::shared_ptr<wmi::EnumWbemClassObject> found;
    if (wmi::Failed(services->ExecQuery(u"WQL", u"select * from SdkTbtController", 0x30, &found))) {
      return 0;
    }
    size_t count = 0;
    wmi::ObjectPtr object;
    uint32_t returned = 0;
    while (found->Next(wmi::WBEM_INFINITE, 1, &object, &returned) == wmi::WBEM_S_NO_ERROR &&
           returned == 1) {
      ++count;
    }
    return count;
  }

  std::unique_ptr<EmulatedPlatform> platform = CreateEmulatedPlatform();
  std::shared_ptr<wmi::WbemServices> services;
};

TEST_F(EmulatedPlatformTest, BuildsTheMachineTheOptionsDescribe) {
  EmulatedOptions options;
  options.controllerNvm = std::vector<uint8_t>{1, 2, 3, 4};
  options.acpiDevicePresent = false;
  options.serviceInstalled = false;
  const auto custom = CreateEmulatedPlatform(options);
  EXPECT_EQ(custom->ControllerNvm(), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(custom->Devices().OpenDevice(kEmulatedAcpiDevicePath), platform::kInvalidHandle);
  const platform::Handle m = custom->Services().OpenSCManager();
  EXPECT_EQ(custom->Services().OpenService(m, kEmulatedThunderboltService), platform::kNullHandle);
  EXPECT_EQ(platform->ControllerNvm(), DefaultControllerNvm());
}

TEST_F(EmulatedPlatformTest, ControllerIsReachableWhileTheServiceRunsAndTheDeviceIsOn) {
  platform->DeviceIo().SetDeviceOn(kEmulatedThunderboltDeviceId, true);
  EXPECT_EQ(Connect(), wmi::WBEM_E_TRANSPORT_FAILURE);
  auto& manager = platform->ServiceManager();
  manager.StartService(manager.OpenService(manager.OpenSCManager(), kEmulatedThunderboltService));
  ASSERT_EQ(Connect(), wmi::WBEM_S_NO_ERROR);
  EXPECT_EQ(InstanceCount(), 1u);
  platform->DeviceIo().SetDeviceOn(kEmulatedThunderboltDeviceId, false);
  EXPECT_EQ(InstanceCount(), 0u);
  platform->ServiceManager().Stop(kEmulatedThunderboltService);
  EXPECT_EQ(Connect(), wmi::WBEM_E_TRANSPORT_FAILURE);
}

}  // namespace
}  // namespace tbt::emulated
