// The Windows backend's system services as Wine (or Windows) gives them: the service
// control manager, the board's ACPI device (absent here), power, the program's path,
// and the update lock across processes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "cli/StatusCommand.h"
#include "platform/emulated/EmulatedPlatform.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "platform/windows/WindowsDevices.h"
#include "platform/windows/WindowsUpdateLock.h"
#include "update/AcpiDevice.h"
#include "update/ServiceControl.h"
#include "update/TbtWmiClient.h"
#include "update/UpdateWorker.h"

namespace tbt::platform::windows_backend {
namespace {

TEST(WindowsServiceManagerTest, MissingAndRunningServicesGiveTheirErrors) {
  WindowsServiceManager services;
  const Handle manager = services.OpenManager();
  ASSERT_NE(manager, kNullHandle);
  EXPECT_EQ(services.OpenByName(manager, u"tbt-no-such-service"), kNullHandle);
  EXPECT_EQ(services.GetLastError(), kErrorServiceDoesNotExist);
  // The RPC service runs wherever COM does, so a second start is refused as running.
  const Handle rpc = services.OpenByName(manager, u"RpcSs");
  ASSERT_NE(rpc, kNullHandle);
  EXPECT_FALSE(services.Start(rpc));
  EXPECT_EQ(services.GetLastError(), kErrorServiceAlreadyRunning);
  EXPECT_TRUE(services.CloseServiceHandle(rpc));
  EXPECT_TRUE(services.CloseServiceHandle(manager));
  // Which the engine's service start reads as a start and a missing service.
  EXPECT_EQ(StartNamedService(services, u"RpcSs"), SERVICE_START_OK);
  EXPECT_EQ(StartNamedService(services, u"tbt-no-such-service"), SERVICE_E_OPEN);
}

TEST(WindowsDeviceIoTest, WithoutTheBoardDriverTheAcpiDeviceIsMissing) {
  WindowsDeviceIo devices;
  AcpiDevice acpi(devices);
  EXPECT_FALSE(OpenAcpiDevice(acpi));
  EXPECT_EQ(devices.OpenDevice(u"\\\\.\\KXRACPI"), kInvalidHandle);
  EXPECT_FALSE(devices.CloseHandle(kInvalidHandle));
}

TEST(WindowsPowerTest, TheBatteryRecordAndTheShutdownPrivilegeAnswer) {
  WindowsPower power;
  BatteryState state{7, 7, 7, 7};
  EXPECT_EQ(power.QueryBatteryState(&state), kStatusSuccess);
  // Each field is a boolean byte of the system's record.
  for (const uint8_t flag :
       {state.acOnLine, state.batteryPresent, state.charging, state.discharging}) {
    EXPECT_LE(flag, 1);
  }
  EXPECT_TRUE(power.EnableShutdownPrivilege());
}

TEST(WindowsSystemInfoTest, TheProgramPathWithBackslashesFindsTheImagesBesideIt) {
  const std::u16string program = WindowsSystemInfo().ModuleFileName();
  ASSERT_NE(program.find(u'\\'), std::u16string::npos);
  ASSERT_TRUE(program.ends_with(u".exe"));
  EXPECT_EQ(WindowsSystemInfo(u"C:\\x\\tool.exe").ModuleFileName(), u"C:\\x\\tool.exe");

  const std::filesystem::path data(ImageFolderFromModulePath(program));
  const bool made = std::filesystem::create_directory(data);
  std::ofstream(data / "Update.BIN") << "image";
  const std::filesystem::path found = FindFirstImage(data);
  std::error_code ignored;
  std::filesystem::remove(data / "Update.BIN", ignored);
  if (made) {
    std::filesystem::remove(data, ignored);
  }
  EXPECT_EQ(found.filename(), "Update.BIN");
  EXPECT_EQ(found.parent_path().filename(), "data");
}

TEST(WindowsStatusTest, SaysWhatThisMachineLacks) {
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(cli::RunStatusCommand({"--json"}, out, err), 1);
  EXPECT_TRUE(out.str().starts_with(
      R"({"controller": null, "nvm_version": null, "platform_device": false)"))
      << out.str();
}

// A lock name of this test run's own, so that nothing else on the machine interferes.
std::u16string TestLockName() {
  const std::string name = "Local\\tbt-nvm-update-test-" + std::to_string(::_getpid());
  return std::u16string(name.begin(), name.end());
}

// In a child process: an update on the emulated machine under the given lock. Exits
// with the update's result code (its low byte: TBU_E_BUSY ends in 0x0D).
[[noreturn]] void UpdateInAnotherProcess(const std::u16string& lockName) {
  WindowsUpdateLock lock(lockName);
  emulated::EmulatedOptions options;
  options.updateLockOverride = &lock;
  const auto machine = emulated::CreateEmulatedPlatform(options);
  CTbtWmiClient client(machine->Wmi());
  AcpiDevice acpi(machine->Devices());
  OpenAcpiDevice(acpi);
  UpdateContext context;
  UpdateThreadProc(UpdateEnvironment{*machine, client, acpi, {}}, &context);
  std::exit(static_cast<int>(context.result & 0xFF));
}

TEST(WindowsUpdateLockTest, AnUpdateInAnotherProcessIsRefusedAsBusy) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::u16string name = TestLockName();
  WindowsUpdateLock lock(name);
  std::unique_ptr<IHeldUpdateLock> held = lock.TryAcquire();
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(lock.TryAcquire(), nullptr);
  EXPECT_EXIT(UpdateInAnotherProcess(name), ::testing::ExitedWithCode(TBU_E_BUSY & 0xFF), "");
  held.reset();
  // Freed: the other process's update gets past the lock (and, with no image beside
  // it, ends on the missing image).
  EXPECT_EXIT(UpdateInAnotherProcess(name), ::testing::ExitedWithCode(TBU_E_NO_IMAGE & 0xFF), "");
  EXPECT_NE(lock.TryAcquire(), nullptr);
}

}  // namespace
}  // namespace tbt::platform::windows_backend
