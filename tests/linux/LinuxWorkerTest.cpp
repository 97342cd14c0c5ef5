#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FakeKernel.h"
#include "FakeSysfs.h"
#include "PrivateBus.h"
#include "platform/Utf16.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/LinuxReturnValues.h"
#include "platform/linux/SysfsTbtProvider.h"
#include "update/AcpiDevice.h"
#include "update/TbtWmiClient.h"
#include "update/UpdateWorker.h"

namespace tbt::platform::linux_backend {
namespace {

namespace fs = std::filesystem;
using test::FakeKernel;
using test::FakeSysfs;
using test::PrivateBus;
using test::ScriptedClock;

constexpr size_t kNonActiveSize = 256 * 1024;

// The whole worker on the Linux backend: a fake sysfs tree, a private system bus with
// fake systemd (or, without dbus-daemon, a bus address nobody listens on), and real
// images of one controller family.
class LinuxWorkerTest : public testing::Test {
 protected:
  void SetUp() override {
    installed_ = sys_.ReadBytes(fs::path(TBT_REAL_NVM_DIR) / "alpine-ridge-1578-v16.bin");
    newer_ = sys_.ReadBytes(fs::path(TBT_REAL_NVM_DIR) / "alpine-ridge-1578-v27.bin");
    if (installed_.empty() || newer_.empty()) {
      GTEST_SKIP() << "the real NVM fixtures are not present";
    }
    if (bus_.ServeFakeServices()) {
      std::lock_guard lock(bus_.State().mutex);
      bus_.State().units["bolt.service"] = {"loaded", "inactive"};
    }
    bus_.UseAsSystemBus(bus_.Running() ? bus_.Address() : bus_.DeadAddress());
  }

  // A v16 controller with force power whose kernel plays `outcome` once authentication
  // is asked for.
  FakeKernel& AddController(FakeKernel::Outcome outcome) {
    const std::vector<uint8_t> active(installed_.begin() + 0x4000, installed_.end());
    sys_.AddHostRouter("0-0", "16.0\n", active, kNonActiveSize);
    forcePower_ = sys_.AddForcePower();
    kernel_ = std::make_unique<FakeKernel>(sys_, "0-0", outcome);
    kernel_->installedVersion = "16.0\n";
    kernel_->forcePower = forcePower_;
    clock_->onSleep = [this](uint64_t now) { kernel_->Step(now); };
    return *kernel_;
  }

  UpdateResult RunWorker(const std::vector<uint8_t>& image, UpdateReport* report) {
    sys_.WriteBytes(sys_.Outside() / "program/data/image.bin", image);
    LinuxOptions options;
    options.sysfsRoot = sys_.Root();
    options.privilege = PrivilegeMode::kDirect;
    options.clock = clock_;
    options.moduleFileName = ToUtf16((sys_.Outside() / "program" / "tbt-nvm").string());
    const auto platform = CreateLinuxPlatform(options);
    CTbtWmiClient client(platform->Wmi());
    AcpiDevice acpi(platform->Devices());
    if (!OpenAcpiDevice(acpi)) {
      return TBU_E_NO_ACPI_DEVICE;
    }
    UpdateContext context;
    UpdateThreadProc(UpdateEnvironment{*platform, client, acpi, {}}, &context, report);
    return context.result;
  }

  FakeSysfs sys_;
  PrivateBus bus_;
  std::shared_ptr<ScriptedClock> clock_ = std::make_shared<ScriptedClock>();
  std::vector<uint8_t> installed_;
  std::vector<uint8_t> newer_;
  fs::path forcePower_;
  std::unique_ptr<FakeKernel> kernel_;
};

TEST_F(LinuxWorkerTest, SucceedsOnlyWhenTheControllerRunsTheNewNvm) {
  struct Case {
    const char* name;
    FakeKernel::Outcome outcome;
    bool busOnlyWithForcePower;
    UpdateResult result;
    const char* forcePowerAfter;  // left on while the outcome is unknown
  };
  const Case cases[] = {
      {"restarts with the new NVM", FakeKernel::Outcome::kRunsTheImage, false, TBU_OK, "0"},
      {"powered down at boot: the bus appears only with force power",
       FakeKernel::Outcome::kRunsTheImage, true, TBU_OK, "0"},
      {"never comes back", FakeKernel::Outcome::kNeverComesBack, false, kTbtRouterDidNotReturn,
       "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(sys_.Root());
    FakeKernel& kernel = AddController(c.outcome);
    if (c.busOnlyWithForcePower) {
      kernel.PowerUpOnlyWithForcePower(
          std::vector<uint8_t>(installed_.begin() + 0x4000, installed_.end()));
    }
    UpdateReport report;
    EXPECT_EQ(RunWorker(newer_, &report), c.result);
    EXPECT_EQ(report.installedVersion, 0x16u);
    EXPECT_EQ(report.imageVersion, 0x27u);
    EXPECT_EQ(kernel.forcePowerWhenAuthenticating, "1");
    EXPECT_EQ(sys_.Read(forcePower_), c.forcePowerAfter);
  }
}

TEST_F(LinuxWorkerTest, WithoutAHostRouterThereIsNoControllerAndWithoutTheBusNoDevice) {
  UpdateReport report;
  EXPECT_EQ(RunWorker(newer_, &report), TBU_E_NO_ACPI_DEVICE);
  EXPECT_EQ(clock_->TotalSlept(), 0u);
  sys_.AddThunderboltBus();
  EXPECT_EQ(RunWorker(newer_, &report), TBU_E_NO_CONTROLLER);
  EXPECT_FALSE(report.written);
}

}  // namespace
}  // namespace tbt::platform::linux_backend
