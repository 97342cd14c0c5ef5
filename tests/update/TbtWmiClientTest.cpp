#include "update/TbtWmiClient.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/TbtProviderNames.h"
#include "platform/emulated/EmulatedTbtProvider.h"

namespace tbt {
namespace {

using emulated::EmulatedController;
using emulated::EmulatedTbtProvider;

constexpr std::u16string_view kBackslashId = u"PCI\\VEN_8086&DEV_15EB\\3&11583659&0&E0";
// Length of `SdkTbtController.ControllerId=""`, the path around the id.
constexpr size_t kPathFrame = 32;

std::vector<uint8_t> Counting(size_t size, uint8_t first) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<uint8_t>(first + i);
  }
  return bytes;
}

std::u16string Escaped(const char16_t* source, size_t capacity, char16_t fill = u'#') {
  std::u16string buffer(capacity + 2, fill);  // room to see a write past the capacity
  CTbtWmiClient::EscapeObjectPath(source, buffer.data(), capacity);
  return buffer;
}

struct EscapeCase {
  const char* label;
  const char16_t* source;
  size_t capacity;
  std::u16string buffer;  // the whole buffer afterwards, capacity + 2 units
};

class EscapeObjectPathTest : public testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeObjectPathTest, DoublesBackslashesWithinTheCapacity) {
  const EscapeCase& row = GetParam();
  EXPECT_EQ(Escaped(row.source, row.capacity), row.buffer);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, EscapeObjectPathTest,
    testing::Values(
        EscapeCase{"Plain", u"abc", 5, std::u16string(u"abc\0##", 6) + u"#"},
        EscapeCase{"Backslashes", u"a\\b\\", 8, std::u16string(u"a\\\\b\\\\\0##", 9) + u"#"},
        EscapeCase{"CutsAtCapacity", u"abcdef", 4, std::u16string(u"abc\0##", 6)},
        // The limit falls between the two backslashes: only one is written.
        EscapeCase{"CutBetweenBackslashes", u"ab\\c", 4, std::u16string(u"ab\\\0##", 6)},
        EscapeCase{"ExactFit", u"a\\", 4, std::u16string(u"a\\\\\0##", 6)},
        EscapeCase{"CapacityOne", u"abc", 1, std::u16string(u"\0##", 3)},
        EscapeCase{"CapacityZero", u"abc", 0, u"##"},
        EscapeCase{"NoSource", nullptr, 4, u"######"}),
    [](const testing::TestParamInfo<EscapeCase>& info) { return std::string(info.param.label); });

TEST(EscapeObjectPathTest, NoDestinationIsHarmless) {
  CTbtWmiClient::EscapeObjectPath(u"abc", nullptr, 4);  // must not crash
  std::u16string buffer = Escaped(u"", 3);
  EXPECT_EQ(buffer, std::u16string(u"\0####", 5));
}

class TbtWmiClientTest : public testing::Test {
 protected:
  void SetUp() override { emulated::RegisterEmulatedTbtProvider(registry_, provider_); }

  // Adds a controller whose NVM counts up from `first`; returns its index.
  size_t Add(std::u16string id, size_t size = 0x40, uint8_t first = 0x10) {
    return provider_->AddController(EmulatedController{std::move(id), Counting(size, first)});
  }

  wmi::NamespaceRegistry registry_;
  std::shared_ptr<EmulatedTbtProvider> provider_ = std::make_shared<EmulatedTbtProvider>();
  CTbtWmiClient client_{registry_};
};

TEST_F(TbtWmiClientTest, BackslashesReachTheProviderDoubledAndFindTheInstance) {
  Add(std::u16string(kBackslashId));
  ASSERT_TRUE(client_.ConnectWmi());
  std::array<uint8_t, 4> word{};
  EXPECT_EQ(client_.ReadFirmware(8, 4, word.data()), TBU_OK);
  EXPECT_EQ(word, (std::array<uint8_t, 4>{0x18, 0x19, 0x1A, 0x1B}));
  EXPECT_EQ(std::u16string(client_.ControllerPath()),
            u"SdkTbtController.ControllerId=\"PCI\\\\VEN_8086&DEV_15EB\\\\3&11583659&0&E0\"");
  EXPECT_EQ(provider_->LastAddressedControllerId(), kBackslashId);
}

TEST_F(TbtWmiClientTest, OnlyTheFirstControllerIsEverAddressed) {
  Add(u"first", 0x40, 0x10);
  Add(u"second", 0x40, 0x80);
  ASSERT_TRUE(client_.ConnectWmi());
  uint32_t version = 0;
  EXPECT_EQ(client_.GetCurrentNvmVersion(&version), TBU_OK);
  EXPECT_EQ(version, 0x1Au);
  std::array<uint8_t, 4> word{};
  EXPECT_EQ(client_.ReadFirmware(0, 4, word.data()), TBU_OK);
  EXPECT_EQ(word[0], 0x10);
  EXPECT_EQ(provider_->LastAddressedControllerId(), u"first");
  // The path is searched for once and kept, even across a reconnect.
  ASSERT_TRUE(client_.ConnectWmi());
  EXPECT_EQ(client_.ReadFirmware(4, 4, word.data()), TBU_OK);
  EXPECT_EQ(provider_->EnumerationCount(), 1u);
}

TEST_F(TbtWmiClientTest, ShortDataFillsOnlyTheDeliveredBytes) {
  Add(u"ctl", 6, 0x40);  // two bytes exist at offset 4
  ASSERT_TRUE(client_.ConnectWmi());
  std::array<uint8_t, 4> word{0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(client_.ReadFirmware(4, 4, word.data()), TBU_OK);
  EXPECT_EQ(word, (std::array<uint8_t, 4>{0x44, 0x45, 0xEE, 0xEE}));

  // With a failing ReturnValue the bytes that came are still taken.
  provider_->ForceReturnValue(u"ReadFirmware", 7);
  word.fill(0xEE);
  EXPECT_EQ(client_.ReadFirmware(0, 4, word.data()), 7u);
  EXPECT_EQ(word, (std::array<uint8_t, 4>{0x40, 0x41, 0x42, 0x43}));

  // A read the provider refuses delivers nothing and changes nothing.
  provider_->ClearInjections();
  word.fill(0xEE);
  EXPECT_EQ(client_.ReadFirmware(8, 4, word.data()), emulated::kTbtReturnOutOfRange);
  EXPECT_EQ(word, (std::array<uint8_t, 4>{0xEE, 0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(provider_->ReadOffsets(), (std::vector<int32_t>{4, 0, 8}));
}

// Lets a test rewrite the out-parameters of each successful call.
class RewritingProvider : public EmulatedTbtProvider {
 public:
  std::function<void(std::u16string_view method, wmi::ObjectPtr* out)> rewrite;

  wmi::HRESULT ExecMethod(const wmi::ObjectPath& path, std::u16string_view method,
                          const wmi::WbemClassObject* inParams,
                          wmi::ObjectPtr* outParams) override {
    const wmi::HRESULT hr = EmulatedTbtProvider::ExecMethod(path, method, inParams, outParams);
    if (wmi::Succeeded(hr)) {
      rewrite(method, outParams);
    }
    return hr;
  }
};

class TbtWmiClientRewriteTest : public testing::Test {
 protected:
  void SetUp() override {
    provider_->AddController(EmulatedController{u"ctl", Counting(0x40, 0)});
    emulated::RegisterEmulatedTbtProvider(registry_, provider_);
    ASSERT_TRUE(client_.ConnectWmi());
  }

  wmi::NamespaceRegistry registry_;
  std::shared_ptr<RewritingProvider> provider_ = std::make_shared<RewritingProvider>();
  CTbtWmiClient client_{registry_};
};

TEST_F(TbtWmiClientRewriteTest, ReadsNeverWriteMoreThanTheLengthAsked) {
  provider_->rewrite = [](std::u16string_view, wmi::ObjectPtr* out) {
    auto data = wmi::SafeArrayCreateVector(0, 8);
    data->elements = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ((*out)->Put(u"data", wmi::Variant::Bytes(data)), wmi::WBEM_S_NO_ERROR);
  };
  std::array<uint8_t, 6> bytes{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(client_.ReadFirmware(0x20, 2, bytes.data()), TBU_OK);
  EXPECT_EQ(bytes, (std::array<uint8_t, 6>{1, 2, 0xEE, 0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(client_.ReadFirmware(0x20, 0, bytes.data() + 2), TBU_OK);
  EXPECT_EQ(bytes, (std::array<uint8_t, 6>{1, 2, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST_F(TbtWmiClientRewriteTest, IntegerOutValuesAreTakenWhateverTheirType) {
  provider_->rewrite = [](std::u16string_view, wmi::ObjectPtr* out) {
    // An object without declarations takes values of any type.
    *out = std::make_shared<wmi::WbemClassObject>(u"__PARAMETERS");
    wmi::Variant returnValue = wmi::Variant::String(u"ignored");
    returnValue.lVal = 6;
    wmi::Variant version;
    version.vt = wmi::VT_UI1;
    version.lVal = 0x44;
    (*out)->Put(u"ReturnValue", returnValue);
    (*out)->Put(u"NvmVersion", version);
  };
  uint32_t installed = 0;
  EXPECT_EQ(client_.GetCurrentNvmVersion(&installed), 6u);
  EXPECT_EQ(installed, 0x44u);
}

TEST_F(TbtWmiClientRewriteTest, DataOfAnotherTypeIsIgnored) {
  provider_->rewrite = [](std::u16string_view, wmi::ObjectPtr* out) {
    *out = std::make_shared<wmi::WbemClassObject>(u"__PARAMETERS");
    (*out)->Put(u"ReturnValue", wmi::Variant::Int32(0));
    wmi::Variant words = wmi::Variant::Bytes(wmi::SafeArrayCreateVector(0, 4));
    words.vt = wmi::VT_ARRAY | wmi::VT_I4;  // an array, but not of bytes
    (*out)->Put(u"data", words);
  };
  std::array<uint8_t, 4> word{0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(client_.ReadFirmware(0, 4, word.data()), TBU_OK);
  EXPECT_EQ(word, (std::array<uint8_t, 4>{0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST_F(TbtWmiClientTest, NotConnectedIsWmiFailedForEveryCall) {
  Add(u"ctl");
  uint32_t version = 77;
  std::array<uint8_t, 4> word{};
  const std::array<uint8_t, 4> image{};
  EXPECT_EQ(client_.GetCurrentNvmVersion(&version), TBU_E_WMI_FAILED);
  EXPECT_EQ(client_.ReadFirmware(0, 4, word.data()), TBU_E_WMI_FAILED);
  EXPECT_EQ(client_.UpdateFirmware(image.data(), 4), TBU_E_WMI_FAILED);
  EXPECT_FALSE(client_.FindControllerPath());
  EXPECT_EQ(version, 77u);
  EXPECT_EQ(provider_->EnumerationCount(), 0u);

  // A failed reconnect drops the earlier connection.
  ASSERT_TRUE(client_.ConnectWmi());
  registry_.Unregister(kTbtNamespace);
  EXPECT_FALSE(client_.ConnectWmi());
  EXPECT_EQ(client_.GetCurrentNvmVersion(&version), TBU_E_WMI_FAILED);
  EXPECT_EQ(provider_->CallCount(u"GetCurrentNvmVersion"), 0u);
}

TEST_F(TbtWmiClientTest, UnreachableNamespaceRefusesTheConnection) {
  Add(u"ctl");
  bool running = false;
  provider_->SetAvailability([&] { return running; }, nullptr);
  EXPECT_FALSE(client_.ConnectWmi());
  running = true;
  ASSERT_TRUE(client_.ConnectWmi());
  uint32_t version = 0;
  EXPECT_EQ(client_.GetCurrentNvmVersion(&version), TBU_OK);
  // The service stops after the connection was made.
  running = false;
  EXPECT_EQ(client_.GetCurrentNvmVersion(&version), TBU_E_WMI_FAILED);
}

TEST_F(TbtWmiClientTest, NoInstanceIsNoController) {
  Add(u"ctl");
  bool present = false;
  provider_->SetAvailability(nullptr, [&] { return present; });
  ASSERT_TRUE(client_.ConnectWmi());
  std::array<uint8_t, 4> word{};
  EXPECT_EQ(client_.ReadFirmware(0, 4, word.data()), TBU_E_NO_CONTROLLER);
  EXPECT_EQ(client_.UpdateFirmware(word.data(), 4), TBU_E_NO_CONTROLLER);
  EXPECT_EQ(provider_->EnumerationCount(), 2u);  // each call searched again
  EXPECT_EQ(provider_->CallCount(u"ReadFirmware"), 0u);

  present = true;
  EXPECT_EQ(client_.ReadFirmware(0, 4, word.data()), TBU_OK);
  EXPECT_TRUE(client_.FindControllerPath());
}

// Reports its controllers with a ControllerId that is not a string.
class IntegerIdProvider : public EmulatedTbtProvider {
 public:
  std::vector<wmi::ObjectPtr> EnumerateInstances(std::u16string_view className) override {
    std::vector<wmi::ObjectPtr> instances = EmulatedTbtProvider::EnumerateInstances(className);
    for (wmi::ObjectPtr& instance : instances) {
      instance = std::make_shared<wmi::WbemClassObject>(std::u16string(kTbtClass));
      instance->Put(kTbtKey, wmi::Variant::Int32(1));
    }
    return instances;
  }
};

TEST(TbtWmiClientIdTest, NonStringControllerIdIsNoController) {
  wmi::NamespaceRegistry registry;
  auto provider = std::make_shared<IntegerIdProvider>();
  provider->AddController(EmulatedController{u"1", Counting(16, 0)});
  emulated::RegisterEmulatedTbtProvider(registry, provider);
  CTbtWmiClient client(registry);
  ASSERT_TRUE(client.ConnectWmi());
  EXPECT_FALSE(client.FindControllerPath());
  uint32_t version = 5;
  EXPECT_EQ(client.GetCurrentNvmVersion(&version), TBU_E_NO_CONTROLLER);
  EXPECT_EQ(version, 5u);
  EXPECT_EQ(std::u16string(client.ControllerPath()), u"");
}

struct PathLengthCase {
  const char* label;
  size_t plainUnits;
  size_t backslashes;
  bool held;
};

class ControllerPathLengthTest : public TbtWmiClientTest,
                                 public testing::WithParamInterface<PathLengthCase> {};

TEST_P(ControllerPathLengthTest, PathsLongerThanTheBufferAreRefusedNotCut) {
  const PathLengthCase& row = GetParam();
  std::u16string id(row.plainUnits, u'x');
  id.append(row.backslashes, u'\\');
  Add(id);
  ASSERT_TRUE(client_.ConnectWmi());
  EXPECT_EQ(client_.FindControllerPath(), row.held);
  uint32_t version = 0;
  EXPECT_EQ(client_.GetCurrentNvmVersion(&version), row.held ? TBU_OK : TBU_E_NO_CONTROLLER);
  const std::u16string path(client_.ControllerPath());
  if (row.held) {
    EXPECT_EQ(path.size(), kPathFrame + row.plainUnits + 2 * row.backslashes);
    EXPECT_EQ(provider_->LastAddressedControllerId(), id);
  } else {
    EXPECT_TRUE(path.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, ControllerPathLengthTest,
    testing::Values(PathLengthCase{"Fits", 259 - kPathFrame, 0, true},
                    PathLengthCase{"OneTooLong", 260 - kPathFrame, 0, false},
                    PathLengthCase{"FarTooLong", 1000, 0, false},
                    PathLengthCase{"FitsWhenEscaped", 259 - kPathFrame - 4, 2, true},
                    // Fits as formatted, but the doubled backslashes would not.
                    PathLengthCase{"TooLongWhenEscaped", 259 - kPathFrame - 2, 2, false}),
    [](const testing::TestParamInfo<PathLengthCase>& info) {
      return std::string(info.param.label);
    });

TEST_F(TbtWmiClientTest, VersionIsStoredOnlyWhenTheProviderGivesOne) {
  provider_->AddController(EmulatedController{u"ctl", std::vector<uint8_t>(0x20, 0x2B)});
  ASSERT_TRUE(client_.ConnectWmi());
  uint32_t version = 0;
  EXPECT_EQ(client_.GetCurrentNvmVersion(&version), TBU_OK);
  EXPECT_EQ(version, 0x2Bu);

  // Stored whatever ReturnValue says.
  provider_->SetNvmVersion(0x31);
  provider_->ForceReturnValue(u"GetCurrentNvmVersion", 9);
  EXPECT_EQ(client_.GetCurrentNvmVersion(&version), 9u);
  EXPECT_EQ(version, 0x31u);

  provider_->OmitOutParameter(u"GetCurrentNvmVersion", u"NvmVersion");
  version = 0x1234;
  EXPECT_EQ(client_.GetCurrentNvmVersion(&version), 9u);
  EXPECT_EQ(version, 0x1234u);
}

// One row per failure of the common frame, each tried on all three methods.
struct FrameFailure {
  const char* label;
  void (*inject)(EmulatedTbtProvider& provider, std::u16string method);
  UpdateResult expected;
};

class CallFrameFailureTest : public TbtWmiClientTest,
                             public testing::WithParamInterface<FrameFailure> {};

TEST_P(CallFrameFailureTest, EachMethodReportsIt) {
  const FrameFailure& row = GetParam();
  Add(u"ctl");
  ASSERT_TRUE(client_.ConnectWmi());
  ASSERT_TRUE(client_.FindControllerPath());
  for (std::u16string method : {u"GetCurrentNvmVersion", u"ReadFirmware", u"UpdateFirmware"}) {
    row.inject(*provider_, method);
  }
  uint32_t version = 0xABCD;
  std::array<uint8_t, 4> word{0xEE, 0xEE, 0xEE, 0xEE};
  const std::vector<uint8_t> image = {0x04, 0, 0, 0, 0x55, 0x66};
  EXPECT_EQ(client_.GetCurrentNvmVersion(&version), row.expected);
  EXPECT_EQ(client_.ReadFirmware(0, 4, word.data()), row.expected);
  EXPECT_EQ(client_.UpdateFirmware(image.data(), static_cast<uint32_t>(image.size())),
            row.expected);
  EXPECT_EQ(version, 0xABCDu);
  EXPECT_EQ(word, (std::array<uint8_t, 4>{0xEE, 0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(provider_->Controller(0).nvm, Counting(0x40, 0x10));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CallFrameFailureTest,
    testing::Values(
        FrameFailure{"ClassMissing",
                     [](EmulatedTbtProvider& p, std::u16string) { p.FailGetClass(true); },
                     TBU_E_WMI_FAILED},
        FrameFailure{"MethodMissing",
                     [](EmulatedTbtProvider& p, std::u16string m) { p.RemoveMethod(m); },
                     TBU_E_WMI_FAILED},
        FrameFailure{
            "ExecMethodFails",
            [](EmulatedTbtProvider& p, std::u16string m) { p.FailMethod(m, wmi::WBEM_E_FAILED); },
            TBU_E_WMI_FAILED},
        FrameFailure{"ReturnValueMissing",
                     [](EmulatedTbtProvider& p, std::u16string m) {
                       p.OmitOutParameter(m, u"ReturnValue");
                       p.OmitOutParameter(m, u"data");
                       p.OmitOutParameter(m, u"NvmVersion");
                       p.ForceReturnValue(m, 1);  // a failed write does not change the NVM
                     },
                     TBU_E_WMI_FAILED},
        FrameFailure{"ProviderReturnValue",
                     [](EmulatedTbtProvider& p, std::u16string m) {
                       p.OmitOutParameter(m, u"data");
                       p.OmitOutParameter(m, u"NvmVersion");
                       p.ForceReturnValue(m, 5);
                     },
                     5},
        // A provider value inside the tool's own block passes unchanged.
        FrameFailure{"ProviderValueLikeOwnCode",
                     [](EmulatedTbtProvider& p, std::u16string m) {
                       p.OmitOutParameter(m, u"data");
                       p.OmitOutParameter(m, u"NvmVersion");
                       p.ForceReturnValue(m, TBU_E_REGION_MISMATCH);
                     },
                     TBU_E_REGION_MISMATCH}),
    [](const testing::TestParamInfo<FrameFailure>& info) { return std::string(info.param.label); });

TEST_F(TbtWmiClientTest, UpdateSendsExactlyTheImageBytesInOneCall) {
  Add(u"ctl");
  ASSERT_TRUE(client_.ConnectWmi());
  std::vector<uint8_t> image(0x3000);
  for (size_t i = 0; i < image.size(); ++i) {
    image[i] = static_cast<uint8_t>(i * 7 + 3);
  }
  image[0] = 0x00;  // section pointer 0x000800
  image[1] = 0x08;
  image[2] = 0x00;
  EXPECT_EQ(client_.UpdateFirmware(image.data(), static_cast<uint32_t>(image.size())), TBU_OK);
  EXPECT_EQ(provider_->CallCount(u"UpdateFirmware"), 1u);
  EXPECT_EQ(provider_->LastWrittenImage(), image);
  EXPECT_EQ(provider_->Controller(0).nvm, std::vector<uint8_t>(image.begin() + 0x800, image.end()));

  // The provider's own refusal comes back as its ReturnValue.
  const std::vector<uint8_t> noPointer(0x20, 0);
  EXPECT_EQ(client_.UpdateFirmware(noPointer.data(), static_cast<uint32_t>(noPointer.size())),
            emulated::kTbtReturnNoSectionPointer);
  EXPECT_EQ(provider_->LastWrittenImage(), noPointer);
}

TEST_F(TbtWmiClientTest, NullBuffersAreRefusedWithoutACall) {
  Add(u"ctl");
  ASSERT_TRUE(client_.ConnectWmi());
  EXPECT_EQ(client_.ReadFirmware(0, 4, nullptr), TBU_E_WMI_FAILED);
  EXPECT_EQ(client_.UpdateFirmware(nullptr, 4), TBU_E_WMI_FAILED);
  EXPECT_EQ(provider_->CallCount(u"ReadFirmware") + provider_->CallCount(u"UpdateFirmware"), 0u);
}

}  // namespace
}  // namespace tbt
