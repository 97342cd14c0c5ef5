#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "platform/TbtProviderNames.h"
#include "platform/emulated/EmulatedPlatform.h"
#include "platform/emulated/EmulatedTbtProvider.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "platform/wmi/Wmi.h"

namespace tbt::emulated {
namespace {

TEST(EmulatedPowerTest, ReportsThePowerSourceOfEachMode) {
  struct Case {
    PowerMode mode;
    int32_t status;
    uint8_t acOnLine;
  };
  const Case cases[] = {
      {PowerMode::kMains, platform::kStatusSuccess, 1},
      {PowerMode::kBattery, platform::kStatusSuccess, 0},
      {PowerMode::kQueryFails, platform::kStatusUnsuccessful, 0xEE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    EmulatedPower power;
    power.SetMode(c.mode);
    platform::BatteryState state;
    state.acOnLine = 0xEE;
    EXPECT_EQ(power.QueryBatteryState(&state), c.status);
    EXPECT_EQ(state.acOnLine, c.acOnLine);
  }
}

TEST(EmulatedPowerTest, PowersOffOnlyWithThePrivilegeAndRecordsEveryRequest) {
  EmulatedPower power;
  EXPECT_FALSE(power.RequestPowerOff());
  EXPECT_FALSE(power.PoweredOff());

  power.SetPrivilegeRefused(true);
  EXPECT_FALSE(power.EnableShutdownPrivilege());
  EXPECT_FALSE(power.RequestPowerOff());
  EXPECT_FALSE(power.PoweredOff());

  power.SetPrivilegeRefused(false);
  EXPECT_TRUE(power.EnableShutdownPrivilege());
  EXPECT_TRUE(power.RequestPowerOff());
  EXPECT_TRUE(power.PoweredOff());
  EXPECT_EQ(power.PowerOffRequests(), 3u);
}

TEST(ManualClockTest, SleepAdvancesVirtualTimeAtOnceAndIsRecorded) {
  EmulatedCallLog log;
  ManualClock clock(&log, 500);
  const auto realStart = std::chrono::steady_clock::now();
  clock.Sleep(10000);
  clock.Sleep(3'600'000);
  clock.Advance(7);
  // An hour of virtual waiting must not cost real time.
  EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::seconds(5));
  EXPECT_EQ(clock.NowMilliseconds(), 500u + 10000u + 3'600'000u + 7u);
  EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{10000, 3'600'000}));
  EXPECT_EQ(clock.TotalSlept(), 3'610'000u);
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Sleep 10000", "Sleep 3600000"}));
}

TEST(EmulatedSystemInfoTest, ReportsWhatWasSet) {
  EmulatedSystemInfo system(u"/a/b/tool", 0x411);
  EXPECT_EQ(system.ModuleFileName(), u"/a/b/tool");
  EXPECT_EQ(system.UserDefaultUILanguage(), 0x411);
  system.SetModuleFileName(u"/c/tool");
  system.SetUserDefaultUILanguage(0x416);
  EXPECT_EQ(system.ModuleFileName(), u"/c/tool");
  EXPECT_EQ(system.UserDefaultUILanguage(), 0x416);
}

TEST(EmulatedCallLogTest, FormatsEntriesAndCountsByKindAndName) {
  EmulatedCallLog log;
  log.Record(CallKind::kDeviceControl, MethodTagText(0x53564544), {0x60057, 1});
  log.Record(CallKind::kProviderMethod, "ReadFirmware");
  log.Record(CallKind::kProviderMethod, "UpdateFirmware");
  log.Record(CallKind::kDeviceControl, MethodTagText(0x00000001));
  EXPECT_EQ(log.Lines(),
            (std::vector<std::string>{"DeviceControl DEVS 0x60057 1", "ProviderMethod ReadFirmware",
                                      "ProviderMethod UpdateFirmware", "DeviceControl ????"}));
  EXPECT_EQ(log.Count(CallKind::kProviderMethod), 2u);
  EXPECT_EQ(log.Count(CallKind::kProviderMethod, "UpdateFirmware"), 1u);
  log.Clear();
  EXPECT_TRUE(log.Entries().empty());
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

  void StartService() {
    auto& manager = platform->ServiceManager();
    const platform::Handle m = manager.OpenSCManager();
    manager.StartService(manager.OpenService(m, kEmulatedThunderboltService));
  }

  void SwitchDevice(uint32_t on) {
    platform->DeviceIo().SetDeviceOn(kEmulatedThunderboltDeviceId, on != 0);
  }

  std::unique_ptr<EmulatedPlatform> platform = CreateEmulatedPlatform();
  std::shared_ptr<wmi::WbemServices> services;
};

TEST_F(EmulatedPlatformTest, IsEmulatedAndBuiltFromTheOptions) {
  EmulatedOptions options;
  options.controllerNvm = std::vector<uint8_t>{1, 2, 3, 4};
  options.acpiDevicePresent = false;
  options.powerMode = PowerMode::kBattery;
  options.moduleFileName = u"/x/y/z";
  options.uiLanguage = 0x407;
  options.serviceInstalled = false;
  const auto custom = CreateEmulatedPlatform(options);
  EXPECT_TRUE(custom->IsEmulated());
  EXPECT_EQ(custom->ControllerNvm(), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(custom->Devices().OpenDevice(kEmulatedAcpiDevicePath), platform::kInvalidHandle);
  EXPECT_EQ(custom->PowerSource().Mode(), PowerMode::kBattery);
  EXPECT_EQ(custom->System().ModuleFileName(), u"/x/y/z");
  EXPECT_EQ(custom->System().UserDefaultUILanguage(), 0x407);
  const platform::Handle m = custom->Services().OpenSCManager();
  EXPECT_EQ(custom->Services().OpenService(m, kEmulatedThunderboltService), platform::kNullHandle);
  EXPECT_EQ(custom->Provider().Controller(0).controllerId, kEmulatedControllerId);

  EXPECT_EQ(platform->ControllerNvm(), DefaultControllerNvm());
  EXPECT_EQ(&platform->Clock(), &platform->VirtualClock());
}

TEST_F(EmulatedPlatformTest, ProviderIsReachableOnlyWhileTheServiceRuns) {
  SwitchDevice(1);
  EXPECT_EQ(Connect(), wmi::WBEM_E_TRANSPORT_FAILURE);
  StartService();
  ASSERT_EQ(Connect(), wmi::WBEM_S_NO_ERROR);
  EXPECT_EQ(InstanceCount(), 1u);
  platform->ServiceManager().Stop(kEmulatedThunderboltService);
  EXPECT_EQ(Connect(), wmi::WBEM_E_TRANSPORT_FAILURE);
}

TEST_F(EmulatedPlatformTest, ControllerExistsOnlyWhileThePlatformDeviceIsOn) {
  StartService();
  ASSERT_EQ(Connect(), wmi::WBEM_S_NO_ERROR);
  EXPECT_EQ(InstanceCount(), 0u);
  SwitchDevice(1);
  EXPECT_EQ(InstanceCount(), 1u);
  SwitchDevice(0);
  EXPECT_EQ(InstanceCount(), 0u);
}

TEST_F(EmulatedPlatformTest, LogsReachabilityChecksAndProviderMethods) {
  StartService();
  SwitchDevice(1);
  ASSERT_EQ(Connect(), wmi::WBEM_S_NO_ERROR);
  wmi::ObjectPtr out;
  services->ExecMethod(u"SdkTbtController.ControllerId=\"PCI\\\\VEN_8086&DEV_15D3\\\\EMULATED_0\"",
                       u"GetCurrentNvmVersion", 0, nullptr, &out);
  ASSERT_NE(out, nullptr);
  const EmulatedCallLog& log = platform->CallLog();
  EXPECT_GE(log.Count(CallKind::kWmiReachable), 2u);
  EXPECT_EQ(log.Count(CallKind::kProviderMethod, "GetCurrentNvmVersion"), 1u);
  EXPECT_EQ(log.Entries().front().kind, CallKind::kOpenServiceManager);
  const auto entries = log.Entries();
  const auto firstReachable = std::find_if(entries.begin(), entries.end(), [](const CallRecord& e) {
    return e.kind == CallKind::kWmiReachable;
  });
  const auto method = std::find_if(entries.begin(), entries.end(), [](const CallRecord& e) {
    return e.kind == CallKind::kProviderMethod;
  });
  EXPECT_LT(firstReachable, method);
}

}  // namespace
}  // namespace tbt::emulated
