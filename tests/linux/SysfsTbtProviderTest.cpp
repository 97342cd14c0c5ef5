#include "platform/linux/SysfsTbtProvider.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "FakeSysfs.h"
#include "platform/TbtProviderNames.h"
#include "platform/linux/KernelImageRules.h"
#include "platform/linux/LinuxReturnValues.h"
#include "update/TbtWmiClient.h"

namespace tbt::platform::linux_backend {
namespace {

namespace fs = std::filesystem;
using test::FakeSysfs;
using test::KernelAcceptableImage;
using test::ScriptedClock;

std::vector<uint8_t> ActiveNvm(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<uint8_t>(0xA0 ^ i);
  }
  return bytes;
}

// The provider on a fake tree, reached through the engine's own client.
class SysfsTbtProviderTest : public testing::Test {
 protected:
  void SetUp() override { RegisterSysfsTbtProvider(registry_, provider_); }

  CTbtWmiClient& Client() {
    EXPECT_TRUE(client_.ConnectWmi());
    return client_;
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

struct VersionCase {
  const char* text;
  uint32_t code;
  uint32_t major;
};

TEST_F(SysfsTbtProviderTest, ReadsTheMajorNumberOfTheHexadecimalVersion) {
  const VersionCase cases[] = {
      {"18.0\n", kTbtOk, 0x18},
      {"20.5\n", kTbtOk, 0x20},
      {"1a.0\n", kTbtOk, 0x1A},
      {"1A.ff", kTbtOk, 0x1A},
      {"garbage\n", kTbtNvmVersionMalformed, 0xDEAD},
      {"", kTbtNvmVersionMalformed, 0xDEAD},
      {"18\n", kTbtNvmVersionMalformed, 0xDEAD},
      {"18.0.1\n", kTbtNvmVersionMalformed, 0xDEAD},
      {"-1.0\n", kTbtNvmVersionMalformed, 0xDEAD},
      {".5\n", kTbtNvmVersionMalformed, 0xDEAD},
      {"123456789.0\n", kTbtNvmVersionMalformed, 0xDEAD},
      {"1g.0\n", kTbtNvmVersionMalformed, 0xDEAD},
  };
  sys_.AddHostRouter("0-0", "18.0\n", ActiveNvm(64));
  CTbtWmiClient& client = Client();
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.text);
    sys_.Write(FakeSysfs::Router("0-0") / "nvm_version", c.text);
    uint32_t version = 0xDEAD;
    EXPECT_EQ(client.GetCurrentNvmVersion(&version), c.code);
    if (c.code == kTbtOk) {
      EXPECT_EQ(version, c.major);
    }
  }
}

TEST_F(SysfsTbtProviderTest, KeepsTheMinorNumberBesideTheMajor) {
  sys_.AddHostRouter("0-0", "20.5\n", ActiveNvm(64));
  wmi::ObjectPath path{std::u16string(kTbtClass), {{std::u16string(kTbtKey), u"0-0"}}};
  wmi::ObjectPtr out;
  ASSERT_EQ(provider_->ExecMethod(path, u"GetCurrentNvmVersion", nullptr, &out),
            wmi::WBEM_S_NO_ERROR);
  wmi::Variant minor;
  ASSERT_EQ(out->Get(u"NvmVersionMinor", &minor), wmi::WBEM_S_NO_ERROR);
  EXPECT_EQ(minor.lVal, 5);
}

TEST_F(SysfsTbtProviderTest, AnUnreadableVersionIsItsOwnReturnValue) {
  sys_.AddHostRouter("0-0", "18.0\n", ActiveNvm(64));
  // A folder in place of the file fails the read, as ENODATA does in safe mode.
  fs::remove(sys_.Root() / FakeSysfs::Router("0-0") / "nvm_version");
  fs::create_directories(sys_.Root() / FakeSysfs::Router("0-0") / "nvm_version");
  uint32_t version = 7;
  EXPECT_EQ(Client().GetCurrentNvmVersion(&version), kTbtNvmVersionUnreadable);
}

TEST_F(SysfsTbtProviderTest, ListsHostRoutersWithAVersionInDomainOrder) {
  sys_.AddHostRouter("10-0", "20.0\n", ActiveNvm(16));
  sys_.AddHostRouter("2-0", "18.0\n", ActiveNvm(16));
  sys_.AddHostRouter("0-1", "18.0\n", ActiveNvm(16));  // a device router, not a host
  sys_.Write(FakeSysfs::Router("3-0") / "device_name", "no NVM here\n");
  sys_.Write(FakeSysfs::Router("domain0") / "security", "user\n");
  sys_.Write(FakeSysfs::Router("x-0") / "nvm_version", "18.0\n");

  std::vector<std::u16string> ids;
  for (const auto& instance : provider_->EnumerateInstances(u"sdktbtcontroller")) {
    wmi::Variant id;
    ASSERT_EQ(instance->Get(kTbtKey, &id), wmi::WBEM_S_NO_ERROR);
    ids.push_back(id.bstrVal);
  }
  EXPECT_EQ(ids, (std::vector<std::u16string>{u"2-0", u"10-0"}));
  EXPECT_TRUE(provider_->EnumerateInstances(u"OtherClass").empty());

  // The client addresses the first one.
  ASSERT_TRUE(Client().FindControllerPath());
  EXPECT_EQ(std::u16string(client_.ControllerPath()), u"SdkTbtController.ControllerId=\"2-0\"");
}

TEST_F(SysfsTbtProviderTest, AnUnknownRouterIsNotFound) {
  sys_.AddHostRouter("0-0", "18.0\n", ActiveNvm(16));
  wmi::ObjectPath path{std::u16string(kTbtClass), {{std::u16string(kTbtKey), u"../0-0"}}};
  wmi::ObjectPtr out;
  EXPECT_EQ(provider_->ExecMethod(path, u"GetCurrentNvmVersion", nullptr, &out),
            wmi::WBEM_E_NOT_FOUND);
}

TEST_F(SysfsTbtProviderTest, ReadsTheActiveNvmWhateverItsNumber) {
  const std::vector<uint8_t> nvm = ActiveNvm(0x200);
  sys_.AddHostRouter("0-0", "18.0\n", nvm, 0x1000, /*nvmIndex=*/3);
  // A higher-numbered active NVM is ignored in favour of the lowest.
  sys_.WriteBytes(FakeSysfs::Router("0-0") / "nvm_active7" / "nvmem",
                  std::vector<uint8_t>(0x200, 0x55));
  uint8_t bytes[4] = {1, 2, 3, 4};
  ASSERT_EQ(Client().ReadFirmware(0x10C, 4, bytes), TBU_OK);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4),
            std::vector<uint8_t>(nvm.begin() + 0x10C, nvm.begin() + 0x110));
  ASSERT_EQ(client_.ReadFirmware(0x1FC, 4, bytes), TBU_OK);
  EXPECT_EQ(bytes[3], nvm[0x1FF]);
}

TEST_F(SysfsTbtProviderTest, RefusesReadsOutsideTheActiveNvm) {
  struct Case {
    uint32_t offset;
    uint32_t length;
  };
  const Case cases[] = {{0x200, 4}, {0x1FE, 4}, {0xFFFFFFFC, 4}, {0x80000000, 4}, {0, 0x201}};
  sys_.AddHostRouter("0-0", "18.0\n", ActiveNvm(0x200));
  CTbtWmiClient& client = Client();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    std::vector<uint8_t> bytes(c.length, 0x77);
    EXPECT_EQ(client.ReadFirmware(c.offset, c.length, bytes.data()), kTbtReadOutOfRange);
    EXPECT_EQ(bytes, std::vector<uint8_t>(c.length, 0x77));
  }
}

TEST_F(SysfsTbtProviderTest, AMissingActiveNvmIsItsOwnReturnValue) {
  sys_.AddHostRouter("0-0", "18.0\n", ActiveNvm(16));
  fs::remove_all(sys_.Root() / FakeSysfs::Router("0-0") / "nvm_active0");
  uint8_t bytes[4] = {};
  EXPECT_EQ(Client().ReadFirmware(0, 4, bytes), kTbtActiveNvmMissing);
}

TEST_F(SysfsTbtProviderTest, RefusesImagesTheKernelWouldRefuseAndWritesNothing) {
  struct Case {
    const char* name;
    std::vector<uint8_t> image;
    uint32_t code;
  };
  std::vector<uint8_t> unalignedLength = KernelAcceptableImage(64 * 1024 + 2);
  std::vector<Case> cases = {
      {"smaller than 32 KiB", KernelAcceptableImage(32 * 1024 - 4, 0x1000), kTbtImageTooSmall},
      {"larger than the non-active NVM", KernelAcceptableImage(128 * 1024 + 4), kTbtImageTooLarge},
      {"length not a multiple of 4", unalignedLength, kTbtImageLengthUnaligned},
      {"pointer 0", KernelAcceptableImage(64 * 1024, 0), kTbtImageBadSectionPointer},
      {"pointer not 4 KiB aligned", KernelAcceptableImage(64 * 1024, 0x4004),
       kTbtImageBadSectionPointer},
      {"pointer at the end", KernelAcceptableImage(64 * 1024, 0x10000), kTbtImageBadSectionPointer},
      {"pointer far outside", KernelAcceptableImage(64 * 1024, 0xFFF000),
       kTbtImageBadSectionPointer},
      {"pointer leaves no room for the device id", KernelAcceptableImage(0x10000 + 4, 0x10000),
       kTbtImageBadSectionPointer},
  };
  // Only the copy at 0x1000 is valid: the kernel reads offset 0 and nothing else.
  std::vector<uint8_t> onlyCopy = KernelAcceptableImage(64 * 1024, 0);
  onlyCopy[0x1000] = 0x00;
  onlyCopy[0x1001] = 0x40;
  onlyCopy[0x1002] = 0x00;
  cases.push_back({"pointer only in the copy", onlyCopy, kTbtImageBadSectionPointer});

  sys_.AddHostRouter("0-0", "18.0\n", ActiveNvm(16), 128 * 1024);
  CTbtWmiClient& client = Client();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(client.UpdateFirmware(c.image.data(), static_cast<uint32_t>(c.image.size())), c.code);
    EXPECT_EQ(CheckKernelImageRules(c.image, 128 * 1024), c.code);
    EXPECT_EQ(sys_.ReadBytes(FakeSysfs::Router("0-0") / "nvm_non_active0" / "nvmem"),
              std::vector<uint8_t>(128 * 1024, 0xEE));
    EXPECT_EQ(sys_.Read(FakeSysfs::Router("0-0") / "nvm_authenticate"), "0x0\n");
  }
  EXPECT_EQ(clock_.TotalSlept(), 0u);
}

TEST_F(SysfsTbtProviderTest, AcceptsTheBoundaryImages) {
  EXPECT_EQ(CheckKernelImageRules(KernelAcceptableImage(32 * 1024, 0x1000), 32 * 1024), kTbtOk);
  EXPECT_EQ(CheckKernelImageRules(KernelAcceptableImage(0x10000 + 8, 0x10000), 0x10000 + 8),
            kTbtOk);
}

// Plays the router: it drops off the bus at the first poll after the write and comes
// back at `returnAt` ms with `status` in nvm_authenticate (never when returnAt is 0).
struct AuthenticationCase {
  const char* name;
  bool leaves;
  uint64_t returnAt;
  const char* status;
  uint32_t code;
  uint64_t minimumSlept;
};

TEST_F(SysfsTbtProviderTest, WritesTheImageThenWaitsForTheRouterToComeBack) {
  const AuthenticationCase cases[] = {
      {"comes back authenticated", true, 4000, "0x0\n", kTbtOk, 3000},
      {"comes back refusing the image", true, 4000, "0x1\n", kTbtAuthenticationFailed, 3000},
      {"comes back with a mailbox error", true, 30000, "0x41\n", kTbtAuthenticationFailed, 29000},
      {"never comes back", true, 0, "", kTbtRouterDidNotReturn, 60000},
      {"never leaves and reads 0x0", false, 0, "0x0\n", kTbtOk, 5000},
  };
  const std::vector<uint8_t> image = KernelAcceptableImage(96 * 1024);
  for (const AuthenticationCase& c : cases) {
    SCOPED_TRACE(c.name);
    sys_.AddHostRouter("0-0", "18.0\n", ActiveNvm(16), 128 * 1024);
    CTbtWmiClient& client = client_;
    const fs::path routerDir = sys_.Root() / FakeSysfs::Router("0-0");
    const fs::path parked = sys_.Outside() / "parked";
    ScriptedClock clock;
    SysfsTbtProvider provider(tree_, ops_, clock);
    std::string statusAtFirstPoll;
    uint64_t start = clock.NowMilliseconds();
    clock.onSleep = [&](uint64_t now) {
      if (statusAtFirstPoll.empty()) {
        statusAtFirstPoll = sys_.Read(FakeSysfs::Router("0-0") / "nvm_authenticate");
        if (c.leaves) {
          fs::create_directories(parked.parent_path());
          fs::rename(routerDir, parked);
        } else {
          sys_.Write(FakeSysfs::Router("0-0") / "nvm_authenticate", c.status);
        }
      }
      if (c.leaves && c.returnAt != 0 && now - start >= c.returnAt && fs::exists(parked)) {
        fs::rename(parked, routerDir);
        sys_.Write(FakeSysfs::Router("0-0") / "nvm_authenticate", c.status);
      }
    };
    registry_.Register(std::u16string(kTbtNamespace),
                       std::shared_ptr<SysfsTbtProvider>(&provider, [](SysfsTbtProvider*) {}));
    ASSERT_TRUE(client.ConnectWmi());

    EXPECT_EQ(client.UpdateFirmware(image.data(), static_cast<uint32_t>(image.size())), c.code);
    EXPECT_EQ(statusAtFirstPoll, "1");
    EXPECT_GE(clock.TotalSlept(), c.minimumSlept);
    EXPECT_LE(clock.TotalSlept(), 60000u);
    if (fs::exists(routerDir)) {
      // The whole image from offset 0; the rest of the non-active NVM untouched.
      std::vector<uint8_t> expected = image;
      expected.resize(128 * 1024, 0xEE);
      EXPECT_EQ(sys_.ReadBytes(FakeSysfs::Router("0-0") / "nvm_non_active0" / "nvmem"), expected);
    }
    std::error_code ignored;
    fs::remove_all(routerDir, ignored);
    fs::remove_all(parked, ignored);
    // The stack provider ends with this round: take it out of the registry.
    RegisterSysfsTbtProvider(registry_, provider_);
  }
}

// The privileged side as the helper would be, with a status to hand out.
class StatusFromPrivilegedSide final : public IPrivilegedOps {
 public:
  StatusFromPrivilegedSide(IPrivilegedOps& writer, uint32_t code, uint32_t status)
      : writer_(writer), code_(code), status_(status) {}
  uint32_t WriteNvmAndAuthenticate(const std::string& router,
                                   std::span<const uint8_t> image) override {
    return writer_.WriteNvmAndAuthenticate(router, image);
  }
  uint32_t SetForcePower(bool on) override { return writer_.SetForcePower(on); }
  uint32_t ReadAuthenticationStatus(const std::string&, uint32_t* status) override {
    ++statusReads;
    *status = status_;
    return code_;
  }
  int statusReads = 0;

 private:
  IPrivilegedOps& writer_;
  uint32_t code_;
  uint32_t status_;
};

TEST_F(SysfsTbtProviderTest, AStatusOnlyRootMayReadIsAskedOfThePrivilegedSide) {
  struct Case {
    const char* name;
    uint32_t helperCode;
    uint32_t helperStatus;
    uint32_t code;
  };
  const Case cases[] = {
      {"authenticated", kTbtOk, 0, kTbtOk},
      {"refused by the controller", kTbtOk, 0x1, kTbtAuthenticationFailed},
      {"authorisation refused", kTbtAuthorizationRefused, 0, kTbtAuthorizationRefused},
  };
  const std::vector<uint8_t> image = KernelAcceptableImage();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sys_.AddHostRouter("0-0", "18.0\n", ActiveNvm(16), 128 * 1024);
    StatusFromPrivilegedSide privileged(ops_, c.helperCode, c.helperStatus);
    ScriptedClock clock;
    // The router never leaves; its nvm_authenticate reads as a root-only file would.
    SysfsTbtProvider provider(tree_, privileged, clock, [](const fs::path&) {
      return FileResult{EACCES, {}};
    });
    wmi::ObjectPtr cls = provider.GetClass(kTbtClass);
    wmi::ObjectPtr signature;
    wmi::ObjectPtr in;
    ASSERT_EQ(cls->GetMethod(u"UpdateFirmware", &signature, nullptr), wmi::WBEM_S_NO_ERROR);
    ASSERT_EQ(signature->SpawnInstance(&in), wmi::WBEM_S_NO_ERROR);
    auto buffer = wmi::SafeArrayCreateVector(0, static_cast<uint32_t>(image.size()));
    buffer->elements = image;
    in->Put(u"BufferSize", wmi::Variant::Int32(static_cast<int32_t>(image.size())));
    in->Put(u"Buffer", wmi::Variant::Bytes(buffer));
    wmi::ObjectPtr out;
    wmi::ObjectPath path{std::u16string(kTbtClass), {{std::u16string(kTbtKey), u"0-0"}}};
    ASSERT_EQ(provider.ExecMethod(path, u"UpdateFirmware", in.get(), &out), wmi::WBEM_S_NO_ERROR);
    wmi::Variant value;
    ASSERT_EQ(out->Get(u"ReturnValue", &value), wmi::WBEM_S_NO_ERROR);
    EXPECT_EQ(static_cast<uint32_t>(value.lVal), c.code);
    EXPECT_EQ(privileged.statusReads, 1);
    EXPECT_GE(clock.TotalSlept(), kAuthenticateSettleMilliseconds);
  }
}

TEST_F(SysfsTbtProviderTest, ARouterWithoutUpgradeFilesSaysSo) {
  const std::vector<uint8_t> image = KernelAcceptableImage();
  for (const char* missing : {"nvm_non_active0", "nvm_authenticate"}) {
    SCOPED_TRACE(missing);
    sys_.AddHostRouter("0-0", "18.0\n", ActiveNvm(16));
    fs::remove_all(sys_.Root() / FakeSysfs::Router("0-0") / missing);
    EXPECT_EQ(Client().UpdateFirmware(image.data(), static_cast<uint32_t>(image.size())),
              kTbtUpgradeUnsupported);
  }
}

TEST_F(SysfsTbtProviderTest, RefusesToWriteThroughLinksThatLeaveTheRoot) {
  const std::vector<uint8_t> image = KernelAcceptableImage();
  sys_.AddHostRouter("0-0", "18.0\n", ActiveNvm(16));
  const fs::path outsideNvm = sys_.Outside() / "nvm_non_active0";
  fs::create_directories(outsideNvm);
  { std::ofstream(outsideNvm / "nvmem") << std::string(128 * 1024, 'o'); }
  const fs::path link = sys_.Root() / FakeSysfs::Router("0-0") / "nvm_non_active0";
  fs::remove_all(link);
  fs::create_directory_symlink(outsideNvm, link);

  EXPECT_EQ(Client().UpdateFirmware(image.data(), static_cast<uint32_t>(image.size())),
            kTbtUnsafePath);
  std::ifstream in(outsideNvm / "nvmem", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string(128 * 1024, 'o'));
  EXPECT_EQ(sys_.Read(FakeSysfs::Router("0-0") / "nvm_authenticate"), "0x0\n");
}

TEST_F(SysfsTbtProviderTest, FollowsLinksThatStayInsideTheRoot) {
  // Real sysfs reaches routers through bus/.../devices -> ../../../devices/... links.
  sys_.AddHostRouter("0-0", "18.0\n", ActiveNvm(16), 128 * 1024);
  const fs::path real = sys_.Root() / "devices/pci0000:00/domain0/0-0";
  fs::create_directories(real.parent_path());
  fs::rename(sys_.Root() / FakeSysfs::Router("0-0"), real);
  fs::create_directory_symlink(real, sys_.Root() / FakeSysfs::Router("0-0"));
  clock_.onSleep = [&](uint64_t) {
    sys_.Write(real.lexically_relative(sys_.Root()) / "nvm_authenticate", "0x0\n");
  };

  const std::vector<uint8_t> image = KernelAcceptableImage();
  EXPECT_EQ(Client().UpdateFirmware(image.data(), static_cast<uint32_t>(image.size())), kTbtOk);
  const auto written =
      sys_.ReadBytes(real.lexically_relative(sys_.Root()) / "nvm_non_active0/nvmem");
  ASSERT_GE(written.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));
}

TEST_F(SysfsTbtProviderTest, ABufferSizeThatDisagreesWithTheBufferIsRefused) {
  sys_.AddHostRouter("0-0", "18.0\n", ActiveNvm(16));
  wmi::ObjectPtr cls = provider_->GetClass(kTbtClass);
  wmi::ObjectPtr signature;
  ASSERT_EQ(cls->GetMethod(u"UpdateFirmware", &signature, nullptr), wmi::WBEM_S_NO_ERROR);
  struct Case {
    int32_t bufferSize;
    bool withBuffer;
  };
  for (const Case c : {Case{100, true}, Case{-1, true}, Case{64, false}}) {
    wmi::ObjectPtr in;
    ASSERT_EQ(signature->SpawnInstance(&in), wmi::WBEM_S_NO_ERROR);
    in->Put(u"BufferSize", wmi::Variant::Int32(c.bufferSize));
    if (c.withBuffer) {
      in->Put(u"Buffer", wmi::Variant::Bytes(wmi::SafeArrayCreateVector(0, 64)));
    }
    wmi::ObjectPtr out;
    wmi::ObjectPath path{std::u16string(kTbtClass), {{std::u16string(kTbtKey), u"0-0"}}};
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
