// The COM adapter against the WMI providers every Windows (and Wine) has: ROOT\CIMV2's
// operating system and ROOT\DEFAULT's registry provider. The controller's own
// namespace exists only on a machine with its driver.

#include "platform/windows/ComWmiProvider.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/TbtProviderNames.h"
#include "platform/windows/ComValues.h"
#include "platform/wmi/Wmi.h"
#include "update/TbtWmiClient.h"

namespace tbt::platform::windows_backend {
namespace {

constexpr int32_t kCurrentUser = static_cast<int32_t>(0x80000001);  // HKEY_CURRENT_USER
constexpr char16_t kTestKey[] = u"Software\\tbt-fwupdate-test";

class ComWmiProviderTest : public ::testing::Test {
 protected:
  std::shared_ptr<wmi::WbemServices> Connect(const std::u16string& nameSpace) {
    registry_.Register(nameSpace, std::make_shared<ComWmiProvider>(nameSpace));
    wmi::WbemLocator locator(registry_);
    std::shared_ptr<wmi::WbemServices> services;
    EXPECT_EQ(locator.ConnectServer(nameSpace, &services), wmi::WBEM_S_NO_ERROR);
    return services;
  }

  // Runs a registry method with the given in-parameters; returns its out-parameters.
  wmi::ObjectPtr CallRegistry(
      std::u16string_view method,
      const std::vector<std::pair<std::u16string, wmi::Variant>>& parameters) {
    wmi::ObjectPtr registryClass;
    wmi::ObjectPtr signature;
    wmi::ObjectPtr in;
    wmi::ObjectPtr out;
    if (wmi::Failed(registryServices_->FetchObject(u"StdRegProv", 0, &registryClass)) ||
        wmi::Failed(registryClass->GetMethod(method, &signature, nullptr)) ||
        wmi::Failed(signature->SpawnInstance(&in))) {
      ADD_FAILURE() << "no signature for StdRegProv method";
      return nullptr;
    }
    in->Put(u"hDefKey", wmi::Variant::Int32(kCurrentUser));
    in->Put(u"sSubKeyName", wmi::Variant::String(kTestKey));
    for (const auto& [name, value] : parameters) {
      EXPECT_EQ(in->Put(name, value), wmi::WBEM_S_NO_ERROR);
    }
    EXPECT_EQ(registryServices_->ExecMethod(u"StdRegProv", method, 0, in.get(), &out),
              wmi::WBEM_S_NO_ERROR);
    return out;
  }

  static int32_t ReturnValue(const wmi::ObjectPtr& out) {
    wmi::Variant value;
    return out != nullptr && wmi::Succeeded(out->Get(u"ReturnValue", &value)) ? value.lVal : -1;
  }

  void SetUp() override {
    registryServices_ = Connect(u"ROOT\\DEFAULT");
    ASSERT_NE(registryServices_, nullptr);
    ASSERT_EQ(ReturnValue(CallRegistry(u"CreateKey", {})), 0);
  }
  void TearDown() override { CallRegistry(u"DeleteKey", {}); }

  wmi::NamespaceRegistry registry_;
  std::shared_ptr<wmi::WbemServices> registryServices_;
};

TEST_F(ComWmiProviderTest, AQueryReturnsInstancesWithTheirProperties) {
  const auto services = Connect(u"ROOT\\CIMV2");
  ASSERT_NE(services, nullptr);
  std::shared_ptr<wmi::EnumWbemClassObject> enumerator;
  ASSERT_EQ(services->ExecQuery(u"WQL", u"select * from Win32_OperatingSystem",
                                wmi::WBEM_FLAG_FORWARD_ONLY, &enumerator),
            wmi::WBEM_S_NO_ERROR);
  wmi::ObjectPtr system;
  uint32_t returned = 0;
  enumerator->Next(wmi::WBEM_INFINITE, 1, &system, &returned);
  ASSERT_EQ(returned, 1u);
  EXPECT_EQ(system->ClassName(), u"Win32_OperatingSystem");
  wmi::Variant caption;
  ASSERT_EQ(system->Get(u"Caption", &caption), wmi::WBEM_S_NO_ERROR);
  EXPECT_EQ(caption.vt, wmi::VT_BSTR);
  EXPECT_FALSE(caption.bstrVal.empty());
}

TEST_F(ComWmiProviderTest, AClassGivesItsMethodSignaturesWithTypedParameters) {
  wmi::ObjectPtr registryClass;
  ASSERT_EQ(registryServices_->FetchObject(u"StdRegProv", 0, &registryClass), wmi::WBEM_S_NO_ERROR);
  wmi::ObjectPtr in;
  wmi::ObjectPtr out;
  ASSERT_EQ(registryClass->GetMethod(u"GetStringValue", &in, &out), wmi::WBEM_S_NO_ERROR);
  wmi::ObjectPtr call;
  ASSERT_EQ(in->SpawnInstance(&call), wmi::WBEM_S_NO_ERROR);
  // Declared types hold: a string where a number belongs is refused.
  EXPECT_EQ(call->Put(u"hDefKey", wmi::Variant::String(u"x")), wmi::WBEM_E_TYPE_MISMATCH);
  EXPECT_EQ(call->Put(u"sValueName", wmi::Variant::String(u"x")), wmi::WBEM_S_NO_ERROR);
  wmi::Variant value;
  EXPECT_EQ(out->Get(u"sValue", &value), wmi::WBEM_S_NO_ERROR);
  EXPECT_EQ(out->Get(u"ReturnValue", &value), wmi::WBEM_S_NO_ERROR);
  EXPECT_EQ(registryClass->GetMethod(u"NoSuchMethod", &in, &out), wmi::WBEM_E_NOT_FOUND);
}

TEST_F(ComWmiProviderTest, MethodsTakeInParametersAndGiveOutParameters) {
  ASSERT_EQ(ReturnValue(CallRegistry(u"SetStringValue",
                                     {{u"sValueName", wmi::Variant::String(u"name")},
                                      {u"sValue", wmi::Variant::String(u"Thunderbolt \u00e9")}})),
            0);
  const wmi::ObjectPtr out =
      CallRegistry(u"GetStringValue", {{u"sValueName", wmi::Variant::String(u"name")}});
  EXPECT_EQ(ReturnValue(out), 0);
  wmi::Variant value;
  ASSERT_EQ(out->Get(u"sValue", &value), wmi::WBEM_S_NO_ERROR);
  EXPECT_EQ(value.bstrVal, u"Thunderbolt \u00e9");
  // A value that is not there: the provider's own failure comes back as ReturnValue.
  EXPECT_NE(ReturnValue(CallRegistry(u"GetStringValue",
                                     {{u"sValueName", wmi::Variant::String(u"missing")}})),
            0);
}

TEST(ComValuesTest, ByteArraysKeepTheirBoundsAndBytesBothWays) {
  auto bytes = wmi::SafeArrayCreateVector(3, 4);
  bytes->elements = {0x00, 0x7F, 0x80, 0xFF};
  ScopedVariant com;
  ASSERT_EQ(ToComVariant(wmi::Variant::Bytes(bytes), com.Get()), S_OK);
  EXPECT_EQ(com.Value().vt, VT_ARRAY | VT_UI1);
  const wmi::Variant back = ToModelVariant(com.Value());
  ASSERT_EQ(back.vt, wmi::VT_ARRAY_UI1);
  EXPECT_EQ(back.parray->lowerBound, 3);
  EXPECT_EQ(back.parray->elements, bytes->elements);
  // An empty array stays an array: the provider, not the adapter, refuses it.
  ScopedVariant empty;
  ASSERT_EQ(ToComVariant(wmi::Variant::Bytes(nullptr), empty.Get()), S_OK);
  EXPECT_TRUE(ToModelVariant(empty.Value()).parray->elements.empty());
}

TEST(ComWmiProviderMissingNamespaceTest, TheControllerClientFailsToConnectCleanly) {
  wmi::NamespaceRegistry registry;
  const std::u16string nameSpace(kTbtNamespace);
  registry.Register(nameSpace, std::make_shared<ComWmiProvider>(nameSpace));
  wmi::WbemLocator locator(registry);
  std::shared_ptr<wmi::WbemServices> services;
  EXPECT_EQ(locator.ConnectServer(nameSpace, &services), wmi::WBEM_E_INVALID_NAMESPACE);
  EXPECT_EQ(services, nullptr);
  CTbtWmiClient client(registry);
  EXPECT_FALSE(client.ConnectWmi());
  uint32_t version = 7;
  EXPECT_EQ(client.GetCurrentNvmVersion(&version), TBU_E_WMI_FAILED);
  EXPECT_EQ(version, 7u);
}

}  // namespace
}  // namespace tbt::platform::windows_backend
