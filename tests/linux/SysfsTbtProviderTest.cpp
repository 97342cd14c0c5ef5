#include "platform/linux/SysfsTbtProvider.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "FakeSysfs.h"
#include "platform/TbtProviderNames.h"
#include "platform/linux/HelperProtocol.h"
#include "platform/linux/KernelImageRules.h"
#include "platform/linux/LinuxReturnValues.h"
#include "update/TbtWmiClient.h"

namespace tbt::platform::linux_backend {
namespace {

namespace fs = std::filesystem;
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
  std::shared_ptr<SysfsTbtProvider> provider_ =
      std::make_shared<SysfsTbtProvider>(tree_, ops_, clock_);
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
      {"18.0\n", kTbtOk, 0x18},
      {"20.5\n", kTbtOk, 0x20},
      {"1a.0\n", kTbtOk, 0x1A},
      {"garbage\n", kTbtNvmVersionMalformed},
      {"18\n", kTbtNvmVersionMalformed},
      {"123456789.0\n", kTbtNvmVersionMalformed},
      {"1g.0\n", kTbtNvmVersionMalformed},
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
      {0x10C, 4, kTbtOk},
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

TEST_F(SysfsTbtProviderTest, WritesTheImageThenWaitsForTheRouterToComeBack) {
  // The router drops off the bus at the first poll after the write (when it `leaves`)
  // and comes back at `returnAt` ms with `status` in nvm_authenticate (never at 0).
  struct Case {
    const char* name;
    bool leaves;
    uint64_t returnAt;
    const char* status;
    uint32_t code;
    uint64_t minimumSlept;
  };
  const Case cases[] = {
      {"comes back authenticated", true, 4000, "0x0\n", kTbtOk, 3000},
      {"comes back refusing the image", true, 4000, "0x1\n", kTbtAuthenticationFailed, 3000},
      {"never comes back", true, 0, "", kTbtRouterDidNotReturn, 60000},
      {"never leaves and reads 0x0", false, 0, "0x0\n", kTbtOk, 5000},
  };
  const std::vector<uint8_t> image = KernelAcceptableImage(96 * 1024);
  const fs::path router = FakeSysfs::Router("0-0");
  const fs::path parked = sys_.Outside() / "parked";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sys_.AddHostRouter("0-0", "18.0\n", KernelAcceptableImage(16), 128 * 1024);
    ScriptedClock clock;
    std::string statusAtFirstPoll;
    clock.onSleep = [&, start = clock.NowMilliseconds()](uint64_t now) {
      if (statusAtFirstPoll.empty()) {
        statusAtFirstPoll = sys_.Read(router / "nvm_authenticate");
        if (c.leaves) {
          fs::create_directories(sys_.Outside());
          fs::rename(sys_.Root() / router, parked);
        } else {
          sys_.Write(router / "nvm_authenticate", c.status);
        }
      }
      if (c.leaves && c.returnAt != 0 && now - start >= c.returnAt && fs::exists(parked)) {
        fs::rename(parked, sys_.Root() / router);
        sys_.Write(router / "nvm_authenticate", c.status);
      }
    };
    EXPECT_EQ(Update(image, std::make_shared<SysfsTbtProvider>(tree_, ops_, clock)), c.code);
    EXPECT_EQ(statusAtFirstPoll, "1");
    EXPECT_GE(clock.TotalSlept(), c.minimumSlept);
    EXPECT_LE(clock.TotalSlept(), kAuthenticateTimeoutMilliseconds);
    if (c.returnAt != 0 || !c.leaves) {
      // The whole image from offset 0; the rest of the non-active NVM untouched.
      std::vector<uint8_t> expected = image;
      expected.resize(128 * 1024, 0xEE);
      EXPECT_EQ(sys_.NonActive(), expected);
    }
    fs::remove_all(sys_.Root() / router);
    fs::remove_all(parked);
  }
}

TEST_F(SysfsTbtProviderTest, AStatusOnlyRootMayReadIsAskedOfTheHelper) {
  struct Case {
    const char* name;
    const char* status;
    int pkexecExit;
    uint32_t code;
  };
  const Case cases[] = {
      {"authenticated", "0x0\n", 0, kTbtOk},
      {"refused by the controller", "0x1\n", 0, kTbtAuthenticationFailed},
      {"a status that never reads", "garbage\n", 0, kTbtRouterDidNotReturn},
      {"authorisation refused", "0x0\n", kPkexecDismissed, kTbtAuthorizationRefused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sys_.AddHostRouter("0-0", "18.0\n", KernelAcceptableImage(16), 128 * 1024);
    int statusReads = 0;
    // pkexec runs the helper in-process, or ends as when the user dismissed its dialog.
    HelperPrivilegedOps helper(tree_, "helper", {"pkexec"}, [&](const auto& argv, auto input) {
      statusReads += argv[4] == "auth-status" ? 1 : 0;
      ProcessOutcome outcome{c.pkexecExit, ""};
      if (argv[4] == "flash" || c.pkexecExit == 0) {
        outcome.exitStatus =
            RunHelperCommand({argv.begin() + 2, argv.end()}, input, false, &outcome.output);
      }
      return outcome;
    });
    // The router never leaves; its nvm_authenticate reads as a root-only file would.
    ScriptedClock clock;
    clock.onSleep = [&](uint64_t) {
      sys_.Write(FakeSysfs::Router("0-0") / "nvm_authenticate", c.status);
    };
    auto provider = std::make_shared<SysfsTbtProvider>(tree_, helper, clock, [](const fs::path&) {
      return FileResult{EACCES, {}};
    });
    EXPECT_EQ(Update(KernelAcceptableImage(), provider), c.code);
    EXPECT_GE(statusReads, 1);
    EXPECT_GE(clock.TotalSlept(), kAuthenticateSettleMilliseconds);
  }
}

TEST_F(SysfsTbtProviderTest, FollowsLinksThatStayInsideTheRoot) {
  // Real sysfs reaches routers through bus/.../devices -> ../../../devices/... links.
  sys_.AddHostRouter("0-0", "18.0\n", KernelAcceptableImage(16), 128 * 1024);
  const fs::path real = sys_.Root() / "devices/pci0000:00/domain0/0-0";
  fs::create_directories(real.parent_path());
  fs::rename(sys_.Root() / FakeSysfs::Router("0-0"), real);
  fs::create_directory_symlink(real, sys_.Root() / FakeSysfs::Router("0-0"));
  clock_.onSleep = [&](uint64_t) { sys_.Write(real / "nvm_authenticate", "0x0\n"); };
  const std::vector<uint8_t> image = KernelAcceptableImage();
  EXPECT_EQ(Update(image), kTbtOk);
  EXPECT_EQ(sys_.NonActive().size(), 128u * 1024);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), sys_.NonActive().begin()));
}

TEST_F(SysfsTbtProviderTest, ABufferSizeThatDisagreesWithTheBufferIsRefused) {
  sys_.AddHostRouter("0-0", "18.0\n", KernelAcceptableImage(16));
  wmi::ObjectPtr signature;
  ASSERT_EQ(provider_->GetClass(kTbtClass)->GetMethod(u"UpdateFirmware", &signature, nullptr),
            wmi::WBEM_S_NO_ERROR);
  const wmi::ObjectPath path{std::u16string(kTbtClass), {{std::u16string(kTbtKey), u"0-0"}}};
  for (const auto& [bufferSize, withBuffer] :
       {std::pair{100, true}, std::pair{-1, true}, std::pair{64, false}}) {
    SCOPED_TRACE(bufferSize);
    wmi::ObjectPtr in;
    wmi::ObjectPtr out;
    ASSERT_EQ(signature->SpawnInstance(&in), wmi::WBEM_S_NO_ERROR);
    in->Put(u"BufferSize", wmi::Variant::Int32(bufferSize));
    if (withBuffer) {
      in->Put(u"Buffer", wmi::Variant::Bytes(wmi::SafeArrayCreateVector(0, 64)));
    }
    ASSERT_EQ(provider_->ExecMethod(path, u"UpdateFirmware", in.get(), &out), wmi::WBEM_S_NO_ERROR);
    wmi::Variant value;
    ASSERT_EQ(out->Get(u"ReturnValue", &value), wmi::WBEM_S_NO_ERROR);
    EXPECT_EQ(static_cast<uint32_t>(value.lVal), kTbtBufferMismatch);
  }
}

TEST(LinuxReturnValuesTest, EveryValueLiesOutsideTheToolsOwnBlockAndIsDescribed) {
  for (uint32_t value = kTbtNvmVersionUnreadable; value <= kTbtHelperFailed; ++value) {
    SCOPED_TRACE(value);
    EXPECT_FALSE(IsOwnResultCode(value));
    EXPECT_FALSE(TbtReturnValueDescription(value).empty());
  }
  EXPECT_TRUE(TbtReturnValueDescription(0x10430001).empty());
}

}  // namespace
}  // namespace tbt::platform::linux_backend
