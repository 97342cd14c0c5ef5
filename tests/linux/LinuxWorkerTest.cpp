#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FakeKernel.h"
#include "FakeSysfs.h"
#include "platform/Utf16.h"
#include "platform/emulated/NvmImageBuilder.h"
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
using test::ScriptedClock;

constexpr size_t kNonActiveSize = 256 * 1024;
// Released images keep their section 16 KiB in, on a boundary the kernel accepts.
constexpr uint32_t kSectionStart = 0x4000;

// One Alpine Ridge board (device 0x1578) in the given firmware version.
emulated::NvmImageBuilder Board(uint8_t version) {
  return emulated::DefaultBoardBuilder()
      .DeviceId(0x1578)
      .Version(version)
      .HeaderSize(kSectionStart)
      .SectionSize(0x4000);
}

// The whole worker on the Linux backend: a fake sysfs tree and images of one board
// made by the project's image builder. The worker's request to start the Thunderbolt
// service goes to a bus address nobody listens on (a failed start does not stop an
// update), so no test reaches the machine's own system bus.
class LinuxWorkerTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string nowhere = "unix:path=" + (sys_.Outside() / "no-bus").string();
    ASSERT_EQ(::setenv("DBUS_SYSTEM_BUS_ADDRESS", nowhere.c_str(), 1), 0);
  }

  // A v16 controller with force power whose kernel plays `outcome` once authentication
  // is asked for.
  FakeKernel& AddController(FakeKernel::Outcome outcome) {
    sys_.AddHostRouter("0-0", "16.0\n", installed_, kNonActiveSize);
    forcePower_ = sys_.AddForcePower("-1");  // a numbered WMI name, as a second instance gets
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
  std::shared_ptr<ScriptedClock> clock_ = std::make_shared<ScriptedClock>();
  // The controller's active NVM (the section alone) and the image of the next release.
  const std::vector<uint8_t> installed_ = Board(0x16).BuildControllerNvm();
  const std::vector<uint8_t> newer_ = Board(0x27).BuildImage();
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
      kernel.PowerUpOnlyWithForcePower(installed_);
    }
    UpdateReport report;
    EXPECT_EQ(RunWorker(newer_, &report), c.result);
    EXPECT_EQ(report.installedVersion, 0x16u);
    EXPECT_EQ(report.imageVersion, 0x27u);
    EXPECT_EQ(kernel.forcePowerWhenAuthenticating, "1");
    EXPECT_EQ(sys_.Read(forcePower_), c.forcePowerAfter);
  }
}

}  // namespace
}  // namespace tbt::platform::linux_backend
