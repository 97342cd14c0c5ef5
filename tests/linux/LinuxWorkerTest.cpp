#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

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
using test::FakeSysfs;
using test::PrivateBus;
using test::ScriptedClock;

std::vector<uint8_t> ReadFixture(const char* name) {
  std::ifstream in(fs::path(TBT_REAL_NVM_DIR) / name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

constexpr size_t kSectionStart = 0x4000;
constexpr size_t kNonActiveSize = 256 * 1024;

// The whole worker on the Linux backend: a fake sysfs tree, a private system bus with
// fake systemd, and real images of one controller family.
class LinuxWorkerTest : public testing::Test {
 protected:
  void SetUp() override {
    installed_ = ReadFixture("alpine-ridge-1578-v16.bin");
    newer_ = ReadFixture("alpine-ridge-1578-v27.bin");
    if (installed_.empty() || newer_.empty()) {
      GTEST_SKIP() << "the real NVM fixtures are not present";
    }
    if (const char* old = getenv("DBUS_SYSTEM_BUS_ADDRESS")) {
      previousBus_ = old;
    }
    // Never the machine's bus: the private one, or an address nobody listens on.
    if (bus_.ServeFakeServices()) {
      std::lock_guard lock(bus_.State().mutex);
      bus_.State().units["bolt.service"] = {"loaded", "inactive"};
      setenv("DBUS_SYSTEM_BUS_ADDRESS", bus_.Address().c_str(), 1);
    } else {
      setenv("DBUS_SYSTEM_BUS_ADDRESS",
             ("unix:path=" + (sys_.Outside() / "nobus").string()).c_str(), 1);
    }
    fs::create_directories(sys_.Outside() / "program" / "data");
  }
  void TearDown() override {
    if (previousBus_) {
      setenv("DBUS_SYSTEM_BUS_ADDRESS", previousBus_->c_str(), 1);
    } else {
      unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
  }

  void AddController() {
    sys_.AddHostRouter("0-0", "16.0\n",
                       std::vector<uint8_t>(installed_.begin() + kSectionStart, installed_.end()),
                       kNonActiveSize);
    forcePower_ = sys_.AddForcePower().lexically_relative(sys_.Root());
  }

  void PutImage(const std::vector<uint8_t>& image) {
    std::ofstream out(sys_.Outside() / "program" / "data" / "image.bin", std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
  }

  // Plays the controller: once authentication is asked for, it restarts with the new NVM.
  void ControllerAcceptsWhatIsWritten() {
    clock_->onSleep = [this](uint64_t) {
      if (sys_.Read("bus/thunderbolt/devices/0-0/nvm_authenticate") == "1") {
        forcePowerDuringAuthentication_ = sys_.Read(forcePower_);
        sys_.Write("bus/thunderbolt/devices/0-0/nvm_authenticate", "0x0\n");
        sys_.Write("bus/thunderbolt/devices/0-0/nvm_version", "27.0\n");
      }
    };
  }

  UpdateResult RunWorker(UpdateReport* report) {
    LinuxOptions options;
    options.sysfsRoot = sys_.Root();
    options.privilege = PrivilegeMode::kDirect;
    options.clock = clock_;
    options.moduleFileName = ToUtf16((sys_.Outside() / "program" / "tbt-nvm").string());
    const auto platform = CreateLinuxPlatform(options);
    EXPECT_FALSE(platform->IsEmulated());
    CTbtWmiClient client(platform->Wmi());
    AcpiDevice acpi(platform->Devices());
    if (!OpenAcpiDevice(acpi)) {
      return TBU_E_NO_ACPI_DEVICE;
    }
    UpdateContext context;
    UpdateThreadProc(UpdateEnvironment{*platform, client, acpi, {}}, &context, report);
    return context.result;
  }

  std::vector<uint8_t> NonActive() const {
    return sys_.ReadBytes("bus/thunderbolt/devices/0-0/nvm_non_active0/nvmem");
  }

  FakeSysfs sys_;
  PrivateBus bus_;
  std::shared_ptr<ScriptedClock> clock_ = std::make_shared<ScriptedClock>();
  std::vector<uint8_t> installed_;
  std::vector<uint8_t> newer_;
  fs::path forcePower_;
  std::string forcePowerDuringAuthentication_;
  std::optional<std::string> previousBus_;
};

TEST_F(LinuxWorkerTest, UpdatesTheControllerThroughSysfs) {
  AddController();
  PutImage(newer_);
  ControllerAcceptsWhatIsWritten();
  UpdateReport report;
  EXPECT_EQ(RunWorker(&report), TBU_OK);
  EXPECT_EQ(report.installedVersion, 0x16u);
  EXPECT_EQ(report.imageVersion, 0x27u);
  EXPECT_TRUE(report.written);

  std::vector<uint8_t> expected = newer_;
  expected.resize(kNonActiveSize, 0xEE);
  EXPECT_EQ(NonActive(), expected);
  EXPECT_EQ(forcePowerDuringAuthentication_, "1");
  EXPECT_EQ(sys_.Read(forcePower_), "0");
  if (bus_.Running()) {
    std::lock_guard lock(bus_.State().mutex);
    EXPECT_EQ(bus_.State().startCalls,
              (std::vector<std::pair<std::string, std::string>>{{"bolt.service", "replace"}}));
  }
  // Two settle waits of the worker plus the provider's wait for the controller.
  EXPECT_GE(clock_->TotalSlept(), 20000u + kAuthenticateSettleMilliseconds);
}

TEST_F(LinuxWorkerTest, AnImageTheKernelWouldRefuseIsNotWritten) {
  AddController();
  std::vector<uint8_t> odd = newer_;
  odd.push_back(0);
  odd.push_back(0);
  PutImage(odd);
  ControllerAcceptsWhatIsWritten();
  UpdateReport report;
  EXPECT_EQ(RunWorker(&report), kTbtImageLengthUnaligned);
  EXPECT_TRUE(report.written);
  EXPECT_EQ(NonActive(), std::vector<uint8_t>(kNonActiveSize, 0xEE));
  EXPECT_EQ(sys_.Read("bus/thunderbolt/devices/0-0/nvm_authenticate"), "0x0\n");
  EXPECT_EQ(sys_.Read(forcePower_), "0");
}

TEST_F(LinuxWorkerTest, AnOlderImageIsRefusedBeforeTheKernelSeesIt) {
  sys_.AddHostRouter("0-0", "27.0\n",
                     std::vector<uint8_t>(newer_.begin() + kSectionStart, newer_.end()),
                     kNonActiveSize);
  PutImage(installed_);
  UpdateReport report;
  EXPECT_EQ(RunWorker(&report), TBU_E_DOWNGRADE);
  EXPECT_FALSE(report.written);
  EXPECT_EQ(NonActive(), std::vector<uint8_t>(kNonActiveSize, 0xEE));
}

TEST_F(LinuxWorkerTest, WithoutAHostRouterThereIsNoController) {
  sys_.Write("bus/thunderbolt/devices/domain0/security", "user\n");
  PutImage(newer_);
  UpdateReport report;
  EXPECT_EQ(RunWorker(&report), TBU_E_NO_CONTROLLER);
  EXPECT_FALSE(report.written);
}

TEST_F(LinuxWorkerTest, WithoutTheThunderboltBusThePlatformDeviceIsMissing) {
  PutImage(newer_);
  UpdateReport report;
  EXPECT_EQ(RunWorker(&report), TBU_E_NO_ACPI_DEVICE);
  EXPECT_EQ(clock_->TotalSlept(), 0u);
}

}  // namespace
}  // namespace tbt::platform::linux_backend
