#include "update/TbtWmiClient.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>
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
  std::iota(bytes.begin(), bytes.end(), first);
  return bytes;
}

// A provider registered in its own namespace registry, and a client of that registry.
template <typename Provider = EmulatedTbtProvider>
struct Machine {
  Machine() { emulated::RegisterEmulatedTbtProvider(registry_, provider_); }

  // Adds a controller whose NVM counts up from `first`; returns its index.
  size_t Add(std::u16string id, size_t size = 0x40, uint8_t first = 0x10) {
    return provider_->AddController(EmulatedController{std::move(id), Counting(size, first)});
  }

  wmi::NamespaceRegistry registry_;
  std::shared_ptr<Provider> provider_ = std::make_shared<Provider>();
  CTbtWmiClient client_{registry_};
};

class TbtWmiClientTest : public testing::Test, public Machine<> {};

TEST_F(TbtWmiClientTest, OnlyTheFirstControllerIsAddressedWithItsBackslashesDoubled) {
  Add(std::u16string(kBackslashId), 0x40, 0x10);
  Add(u"second", 0x40, 0x80);
  ASSERT_TRUE(client_.ConnectWmi());
  uint32_t version = 0;
  EXPECT_EQ(client_.GetCurrentNvmVersion(&version), TBU_OK);
  EXPECT_EQ(version, 0x1Au);
  std::array<uint8_t, 4> word{};
  EXPECT_EQ(client_.ReadFirmware(8, 4, word.data()), TBU_OK);
  EXPECT_EQ(word, (std::array<uint8_t, 4>{0x18, 0x19, 0x1A, 0x1B}));
  EXPECT_EQ(std::u16string(client_.ControllerPath()),
            u"SdkTbtController.ControllerId=\"PCI\\\\VEN_8086&DEV_15EB\\\\3&11583659&0&E0\"");
  EXPECT_EQ(provider_->LastAddressedControllerId(), kBackslashId);
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
}

// Answers every successful call with eight bytes of data, whatever length was asked.
class OverdeliveringProvider : public EmulatedTbtProvider {
 public:
  wmi::HRESULT ExecMethod(const wmi::ObjectPath& path, std::u16string_view method,
                          const wmi::WbemClassObject* inParams,
                          wmi::ObjectPtr* outParams) override {
    const wmi::HRESULT hr = EmulatedTbtProvider::ExecMethod(path, method, inParams, outParams);
    if (wmi::Succeeded(hr)) {
      auto data = wmi::SafeArrayCreateVector(0, 8);
      data->elements = {1, 2, 3, 4, 5, 6, 7, 8};
      // An object without declarations takes values of any type.
      *outParams = std::make_shared<wmi::WbemClassObject>(u"__PARAMETERS");
      (*outParams)->Put(u"ReturnValue", wmi::Variant::Int32(0));
      (*outParams)->Put(u"data", wmi::Variant::Bytes(data));
    }
    return hr;
  }
};

TEST(TbtWmiClientOverdeliveryTest, AReadNeverWritesMoreThanTheLengthAsked) {
  Machine<OverdeliveringProvider> machine;
  machine.Add(u"ctl");
  ASSERT_TRUE(machine.client_.ConnectWmi());
  std::array<uint8_t, 4> bytes{0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(machine.client_.ReadFirmware(0x20, 2, bytes.data()), TBU_OK);
  EXPECT_EQ(machine.client_.ReadFirmware(0x20, 0, bytes.data() + 2), TBU_OK);
  EXPECT_EQ(bytes, (std::array<uint8_t, 4>{1, 2, 0xEE, 0xEE}));
}

TEST_F(TbtWmiClientTest, WithoutAReachableNamespaceEveryCallIsWmiFailed) {
  Add(u"ctl");
  uint32_t version = 77;
  std::array<uint8_t, 4> word{};
  EXPECT_EQ(client_.GetCurrentNvmVersion(&version), TBU_E_WMI_FAILED);  // never connected
  EXPECT_EQ(client_.UpdateFirmware(word.data(), 4), TBU_E_WMI_FAILED);
  EXPECT_EQ(version, 77u);
  bool running = false;
  provider_->SetAvailability([&] { return running; }, nullptr);
  EXPECT_FALSE(client_.ConnectWmi());
  running = true;
  ASSERT_TRUE(client_.ConnectWmi());
  EXPECT_EQ(client_.GetCurrentNvmVersion(&version), TBU_OK);
  running = false;  // the service stops after the connection was made
  EXPECT_EQ(client_.GetCurrentNvmVersion(&version), TBU_E_WMI_FAILED);
  // A failed reconnect drops the earlier connection.
  running = true;
  registry_.Unregister(kTbtNamespace);
  EXPECT_FALSE(client_.ConnectWmi());
  EXPECT_EQ(client_.GetCurrentNvmVersion(&version), TBU_E_WMI_FAILED);
  EXPECT_EQ(provider_->CallCount(u"GetCurrentNvmVersion"), 1u);
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

TEST(ControllerPathLengthTest, PathsLongerThanTheBufferAreRefusedNotCut) {
  const struct {
    size_t plainUnits;
    size_t backslashes;
    bool held;
  } cases[] = {
      {259 - kPathFrame, 0, true},
      {260 - kPathFrame, 0, false},
      {259 - kPathFrame - 4, 2, true},
      // Fits as formatted, but the doubled backslashes would not.
      {259 - kPathFrame - 2, 2, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.plainUnits);
    Machine machine;
    machine.Add(std::u16string(c.plainUnits, u'x') + std::u16string(c.backslashes, u'\\'));
    CTbtWmiClient& client = machine.client_;
    ASSERT_TRUE(client.ConnectWmi());
    EXPECT_EQ(client.FindControllerPath(), c.held);
    uint32_t version = 0;
    EXPECT_EQ(client.GetCurrentNvmVersion(&version), c.held ? TBU_OK : TBU_E_NO_CONTROLLER);
    const size_t expectedSize = c.held ? kPathFrame + c.plainUnits + 2 * c.backslashes : 0;
    EXPECT_EQ(std::u16string(client.ControllerPath()).size(), expectedSize);
  }
}

// The provider answers `method` with `returnValue` and no data (so a write changes nothing).
void RefuseWith(EmulatedTbtProvider& provider, const std::u16string& method, uint32_t returnValue) {
  provider.OmitOutParameter(method, u"data");
  provider.OmitOutParameter(method, u"NvmVersion");
  provider.ForceReturnValue(method, returnValue);
}

TEST(CallFrameFailureTest, EachMethodReportsEachFailureOfTheCommonFrame) {
  using Inject = void (*)(EmulatedTbtProvider&, const std::u16string&);
  const struct {
    const char* label;
    Inject inject;
    UpdateResult expected;
  } cases[] = {
      {"class missing", [](auto& p, auto&) { p.FailGetClass(true); }, TBU_E_WMI_FAILED},
      {"ExecMethod fails", [](auto& p, auto& m) { p.FailMethod(m, wmi::WBEM_E_FAILED); },
       TBU_E_WMI_FAILED},
      {"ReturnValue missing",
       [](auto& p, auto& m) {
         RefuseWith(p, m, 1);
         p.OmitOutParameter(m, u"ReturnValue");
       },
       TBU_E_WMI_FAILED},
      // A provider value passes unchanged, even one inside the tool's own block.
      {"provider value like an own code",
       [](auto& p, auto& m) { RefuseWith(p, m, TBU_E_REGION_MISMATCH); }, TBU_E_REGION_MISMATCH},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Machine machine;
    machine.Add(u"ctl");
    CTbtWmiClient& client = machine.client_;
    ASSERT_TRUE(client.ConnectWmi());
    ASSERT_TRUE(client.FindControllerPath());
    for (std::u16string method : {u"GetCurrentNvmVersion", u"ReadFirmware", u"UpdateFirmware"}) {
      c.inject(*machine.provider_, method);
    }
    uint32_t version = 0xABCD;
    std::array<uint8_t, 4> word{0xEE, 0xEE, 0xEE, 0xEE};
    const std::vector<uint8_t> image = {0x04, 0, 0, 0, 0x55, 0x66};
    EXPECT_EQ(client.GetCurrentNvmVersion(&version), c.expected);
    EXPECT_EQ(client.ReadFirmware(0, 4, word.data()), c.expected);
    EXPECT_EQ(client.UpdateFirmware(image.data(), static_cast<uint32_t>(image.size())), c.expected);
    EXPECT_EQ(version, 0xABCDu);
    EXPECT_EQ(word, (std::array<uint8_t, 4>{0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(machine.provider_->Controller(0).nvm, Counting(0x40, 0x10));
  }
}

}  // namespace
}  // namespace tbt
