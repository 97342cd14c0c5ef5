#include "platform/linux/SysfsTbtProvider.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "FakeKernel.h"
#include "FakeSysfs.h"
#include "platform/TbtProviderNames.h"
#include "platform/linux/HelperClient.h"
#include "platform/linux/KernelImageRules.h"
#include "platform/linux/LinuxReturnValues.h"
#include "update/TbtWmiClient.h"

namespace tbt::platform::linux_backend {
namespace {

namespace fs = std::filesystem;
using test::FakeKernel;
using test::FakeSysfs;
using test::KernelAcceptableImage;
using test::ScriptedClock;

// The provider on a fake tree, reached through the engine's own client.
class SysfsTbtProviderTest : public testing::Test {
 protected:
  // Connects the client to `provider` (the fixture's own when null).
  CTbtWmiClient& Client(std::shared_ptr<SysfsTbtProvider> provider = nullptr) {
    RegisterSysfsTbtProvider(registry_, provider ? provider : provider_);
    EXPECT_TRUE(client_.ConnectWmi());
    return client_;
  }
  uint32_t Update(const std::vector<uint8_t>& image,
                  std::shared_ptr<SysfsTbtProvider> provider = nullptr) {
    const uint32_t code =
        Client(provider).UpdateFirmware(image.data(), static_cast<uint32_t>(image.size()));
    RegisterSysfsTbtProvider(registry_, provider_);  // a caller's provider may end first
    return code;
  }

  FakeSysfs sys_;
  SysfsTree tree_{sys_.Root()};
  DirectPrivilegedOps ops_{tree_};
  ScriptedClock clock_;
  ForcePowerHold hold_;
  std::shared_ptr<SysfsTbtProvider> provider_ =
      std::make_shared<SysfsTbtProvider>(tree_, ops_, clock_, hold_);
  wmi::NamespaceRegistry registry_;
  CTbtWmiClient client_{registry_};
};

TEST_F(SysfsTbtProviderTest, ReadsTheHexadecimalVersion) {
  struct Case {
    const char* text;  // null: a folder in place of the file fails the read, as ENODATA does
    uint32_t code;
    uint32_t major = 0;
  };
  const Case cases[] = {
      {"1a.0\n", kTbtOk, 0x1A},
      {"garbage\n", kTbtNvmVersionMalformed},
      {"18\n", kTbtNvmVersionMalformed},
      {"123456789.0\n", kTbtNvmVersionMalformed},
      {nullptr, kTbtNvmVersionUnreadable},
  };
  sys_.AddHostRouter("0-0", "18.0\n", KernelAcceptableImage(64));
  CTbtWmiClient& client = Client();
  const fs::path file = FakeSysfs::Router("0-0") / "nvm_version";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(unreadable)");
    if (c.text != nullptr) {
      sys_.Write(file, c.text);
    } else {
      fs::remove(sys_.Root() / file);
      fs::create_directories(sys_.Root() / file);
    }
    uint32_t version = 0xDEAD;
    EXPECT_EQ(client.GetCurrentNvmVersion(&version), c.code);
    if (c.code == kTbtOk) {
      EXPECT_EQ(version, c.major);
    }
  }
}

TEST_F(SysfsTbtProviderTest, ListsHostRoutersWithAVersionInDomainOrder) {
  sys_.AddHostRouter("10-0", "20.0\n", KernelAcceptableImage(16));
  sys_.AddHostRouter("2-0", "18.0\n", KernelAcceptableImage(16));
  sys_.AddHostRouter("0-1", "18.0\n", KernelAcceptableImage(16));  // a device router, not a host
  sys_.Write(FakeSysfs::Router("3-0") / "device_name", "no NVM here\n");
  sys_.Write(FakeSysfs::Router("x-0") / "nvm_version", "18.0\n");
  sys_.AddThunderboltBus();

  std::vector<std::u16string> ids;
  for (const auto& instance : provider_->EnumerateInstances(u"sdktbtcontroller")) {
    wmi::Variant id;
    ASSERT_EQ(instance->Get(kTbtKey, &id), wmi::WBEM_S_NO_ERROR);
    ids.push_back(id.bstrVal);
  }
  EXPECT_EQ(ids, (std::vector<std::u16string>{u"2-0", u"10-0"}));
  EXPECT_TRUE(provider_->EnumerateInstances(u"OtherClass").empty());
  ASSERT_TRUE(Client().FindControllerPath());
  EXPECT_EQ(std::u16string(client_.ControllerPath()), u"SdkTbtController.ControllerId=\"2-0\"");

  wmi::ObjectPtr out;
  const wmi::ObjectPath escape{std::u16string(kTbtClass), {{std::u16string(kTbtKey), u"../2-0"}}};
  EXPECT_EQ(provider_->ExecMethod(escape, u"GetCurrentNvmVersion", nullptr, &out),
            wmi::WBEM_E_NOT_FOUND);
}

TEST_F(SysfsTbtProviderTest, ReadsOnlyInsideTheLowestActiveNvm) {
  struct Case {
    uint32_t offset;
    uint32_t length;
    uint32_t code;
  };
  const Case cases[] = {
      {0x1FC, 4, kTbtOk},
      {0x200, 4, kTbtReadOutOfRange},
      {0x1FE, 4, kTbtReadOutOfRange},
      {0xFFFFFFFC, 4, kTbtReadOutOfRange},
      {0, 0x201, kTbtReadOutOfRange},
  };
  const std::vector<uint8_t> nvm = KernelAcceptableImage(0x200);
  sys_.AddHostRouter("0-0", "18.0\n", nvm, 0x1000, /*nvmIndex=*/3);
  sys_.WriteBytes(FakeSysfs::Router("0-0") / "nvm_active7/nvmem",
                  std::vector<uint8_t>(0x200, 0x55));
  CTbtWmiClient& client = Client();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    std::vector<uint8_t> bytes(c.length, 0x77);
    EXPECT_EQ(client.ReadFirmware(c.offset, c.length, bytes.data()), c.code);
    EXPECT_EQ(bytes, c.code == kTbtOk ? std::vector<uint8_t>(nvm.begin() + c.offset,
                                                             nvm.begin() + c.offset + c.length)
                                      : std::vector<uint8_t>(c.length, 0x77));
  }
}

TEST_F(SysfsTbtProviderTest, AMissingFileIsItsOwnReturnValue) {
  struct Case {
    const char* removed;
    bool update;
    uint32_t code;
  };
  const Case cases[] = {
      {"nvm_active0", false, kTbtActiveNvmMissing},
      {"nvm_non_active0", true, kTbtUpgradeUnsupported},
      {"nvm_authenticate", true, kTbtUpgradeUnsupported},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.removed);
    sys_.AddHostRouter("0-0", "18.0\n", KernelAcceptableImage(16));
    fs::remove_all(sys_.Root() / FakeSysfs::Router("0-0") / c.removed);
    uint8_t bytes[4] = {};
    EXPECT_EQ(c.update ? Update(KernelAcceptableImage()) : Client().ReadFirmware(0, 4, bytes),
              c.code);
  }
}

TEST_F(SysfsTbtProviderTest, RefusesImagesTheKernelWouldRefuseAndWritesNothing) {
  struct Case {
    const char* name;
    std::vector<uint8_t> image;
    uint32_t code;
  };
  std::vector<Case> cases = {
      {"smaller than 32 KiB", KernelAcceptableImage(32 * 1024 - 4, 0x1000), kTbtImageTooSmall},
      {"larger than the non-active NVM", KernelAcceptableImage(128 * 1024 + 4), kTbtImageTooLarge},
      {"length not a multiple of 4", KernelAcceptableImage(64 * 1024 + 2),
       kTbtImageLengthUnaligned},
      {"pointer 0", KernelAcceptableImage(64 * 1024, 0), kTbtImageBadSectionPointer},
      {"pointer not 4 KiB aligned", KernelAcceptableImage(64 * 1024, 0x4004),
       kTbtImageBadSectionPointer},
      {"pointer at the end", KernelAcceptableImage(64 * 1024, 0x10000), kTbtImageBadSectionPointer},
      {"pointer leaves no room for the device id", KernelAcceptableImage(0x10000 + 4, 0x10000),
       kTbtImageBadSectionPointer},
      // Only the copy at 0x1000 is valid: the kernel reads offset 0 and nothing else.
      {"pointer only in the copy", KernelAcceptableImage(64 * 1024, 0), kTbtImageBadSectionPointer},
  };
  std::copy_n(KernelAcceptableImage().begin(), 3, cases.back().image.begin() + 0x1000);

  sys_.AddHostRouter("0-0", "18.0\n", KernelAcceptableImage(16), 128 * 1024);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Update(c.image), c.code);
    EXPECT_EQ(CheckKernelImageRules(c.image, 128 * 1024), c.code);
    EXPECT_EQ(sys_.NonActive(), std::vector<uint8_t>(128 * 1024, 0xEE));
    EXPECT_EQ(sys_.Read(FakeSysfs::Router("0-0") / "nvm_authenticate"), "0x0\n");
  }
  EXPECT_EQ(clock_.TotalSlept(), 0u);
  // The boundaries themselves pass.
  EXPECT_EQ(CheckKernelImageRules(KernelAcceptableImage(32 * 1024, 0x1000), 32 * 1024), kTbtOk);
  EXPECT_EQ(CheckKernelImageRules(KernelAcceptableImage(0x10000 + 8, 0x10000), 0x10000 + 8),
            kTbtOk);
}

TEST_F(SysfsTbtProviderTest, SucceedsOnlyWhenTheRouterCameBackRunningTheImage) {
  // The image's section at 0x4000 holds version 0x27.0x05 at +0x0A and +0x09.
  std::vector<uint8_t> image = KernelAcceptableImage(96 * 1024);
  image[0x4000 + 0x0A] = 0x27;
  image[0x4000 + 0x09] = 0x05;
  struct Case {
    const char* name;
    FakeKernel::Outcome outcome;
    uint32_t code;
    bool forcePowerHeld;
    const char* returnAs = nullptr;  // a renumbered domain; found again by unique_id
    bool rootOnlyStatus = false;     // only the helper may read nvm_authenticate
  };
  using Outcome = FakeKernel::Outcome;
  const Case cases[] = {
      {"runs the image", Outcome::kRunsTheImage, kTbtOk, false},
      {"runs the image under a new name", Outcome::kRunsTheImage, kTbtOk, false, "1-0"},
      {"runs the image, status read by the helper", Outcome::kRunsTheImage, kTbtOk, false, nullptr,
       true},
      {"comes back with its old NVM and 0x0", Outcome::kKeepsItsNvm, kTbtVersionNotTaken, false},
      {"refuses the image", Outcome::kRefuses, 0x21000041, false},
      {"refuses, status read by the helper", Outcome::kRefuses, 0x21000041, false, nullptr, true},
      {"reads 0x0 but never restarts", Outcome::kNeverLeaves, kTbtRouterDidNotRestart, true},
      {"never comes back", Outcome::kNeverComesBack, kTbtRouterDidNotReturn, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(sys_.Root());
    fs::remove_all(sys_.Outside());
    if (c.rootOnlyStatus && !test::UseTestHelperLock(sys_)) {
      continue;
    }
    sys_.AddHostRouter("0-0", "18.0\n", KernelAcceptableImage(16), 128 * 1024);
    FakeKernel kernel(sys_, "0-0", c.outcome);
    if (c.returnAs != nullptr) {
      kernel.ReturnAs(c.returnAs);
    }
    ScriptedClock clock;
    clock.onSleep = [&](uint64_t now) { kernel.Step(now); };
    HelperPrivilegedOps helper(tree_, TBT_HELPER_BUILD_PATH, {});
    ForcePowerHold hold;
    auto provider = std::make_shared<SysfsTbtProvider>(
        tree_, c.rootOnlyStatus ? static_cast<IPrivilegedOps&>(helper) : ops_, clock, hold,
        [&](const fs::path& file) {
          return c.rootOnlyStatus ? FileResult{EACCES, {}} : SysfsTree::ReadText(file);
        });
    EXPECT_EQ(Update(image, provider), c.code);
    EXPECT_TRUE(kernel.authenticationStarted);
    EXPECT_EQ(hold.Held(), c.forcePowerHeld);
    EXPECT_LE(clock.TotalSlept(), kAuthenticateTimeoutMilliseconds);
    if (c.code == kTbtOk) {
      uint32_t major = 0;
      EXPECT_EQ(Client(provider).GetCurrentNvmVersion(&major), kTbtOk);
      EXPECT_EQ(major, 0x27u);
      RegisterSysfsTbtProvider(registry_, provider_);
    }
    helper.Finish();
  }
}

}  // namespace
}  // namespace tbt::platform::linux_backend
