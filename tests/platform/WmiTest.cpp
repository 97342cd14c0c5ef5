#include "platform/wmi/Wmi.h"

#include "platform/Utf16.h"
#include "platform/emulated/EmulatedTbtProvider.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tbt::wmi {
namespace {

using Keys = std::vector<std::pair<std::u16string, std::u16string>>;

TEST(ObjectPathTest, ParsesOrRefuses) {
  struct Case {
    std::u16string text;
    bool valid;
    std::u16string className;
    Keys keys;
  };
  const Case cases[] = {
      {u"SdkTbtController", true, u"SdkTbtController", {}},
      {u"C.Id=\"abc\"", true, u"C", {{u"Id", u"abc"}}},
      {u"C.Id=\"a\\\\b\"", true, u"C", {{u"Id", u"a\\b"}}},
      {u"C.Id=\"say \\\"hi\\\"\"", true, u"C", {{u"Id", u"say \"hi\""}}},
      {u"C.A=\"1\",B=\"x,y\"", true, u"C", {{u"A", u"1"}, {u"B", u"x,y"}}},
      {u"C.N=-12", true, u"C", {{u"N", u"-12"}}},
      {u"C.Id=\"PCI\\VEN\"", false, {}, {}},
      {u"C.Id=\"abc\\", false, {}, {}},
      {u".Id=\"a\"", false, {}, {}},
      {u"C.Id=", false, {}, {}},
      {u"C.Id=\"a\"b", false, {}, {}},
      {u"\\\\.\\root:C", false, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    ObjectPath path;
    ASSERT_EQ(ParseObjectPath(c.text, &path), c.valid);
    if (c.valid) {
      EXPECT_EQ(path.className, c.className);
      EXPECT_EQ(path.keys, c.keys);
    }
  }
}

// The emulated Thunderbolt provider stands behind the services: two controllers, the
// second with a backslash in its key.
class WmiServicesTest : public testing::Test {
 protected:
  void SetUp() override {
    provider_->AddController({u"first", {}});
    provider_->AddController({u"a\\b", {}});
    emulated::RegisterEmulatedTbtProvider(registry_, provider_);
    ASSERT_EQ(WbemLocator(registry_).ConnectServer(u"root\\INTEL\\thunderbolt", &services_),
              WBEM_S_NO_ERROR);
    ASSERT_NE(services_, nullptr);
    // A prefix of a registered namespace is no namespace.
    std::shared_ptr<WbemServices> prefix;
    ASSERT_EQ(WbemLocator(registry_).ConnectServer(u"ROOT\\Intel", &prefix),
              WBEM_E_INVALID_NAMESPACE);
  }

  NamespaceRegistry registry_;
  std::shared_ptr<emulated::EmulatedTbtProvider> provider_ =
      std::make_shared<emulated::EmulatedTbtProvider>();
  std::shared_ptr<WbemServices> services_;
};

TEST_F(WmiServicesTest, QueriesSelectAllFromAClassInProviderOrder) {
  // The query's other refusals are the emulation's own argument checks; the client sends
  // one fixed query.
  std::shared_ptr<EnumWbemClassObject> enumerator;
  EXPECT_EQ(services_->ExecQuery(u"WQL", u"select * from Gadget", 0, &enumerator),
            WBEM_E_INVALID_CLASS);
  EXPECT_EQ(enumerator, nullptr);
  ASSERT_EQ(
      services_->ExecQuery(u"wql", u"  SELECT\t*   from SdkTbtController  ", 0x30, &enumerator),
      WBEM_S_NO_ERROR);
  ObjectPtr objects[3];
  uint32_t returned = 99;
  EXPECT_EQ(enumerator->Next(WBEM_INFINITE, 1, objects, &returned), WBEM_S_NO_ERROR);
  ASSERT_EQ(returned, 1u);
  Variant name;
  ASSERT_EQ(objects[0]->Get(u"controllerid", &name), WBEM_S_NO_ERROR);  // names ignore case
  EXPECT_EQ(name.bstrVal, u"first");
  // Asking for more than is left gives the rest and says so.
  EXPECT_EQ(enumerator->Next(WBEM_INFINITE, 3, objects, &returned), WBEM_S_FALSE);
  EXPECT_EQ(returned, 1u);
}

TEST_F(WmiServicesTest, PathsAreUnescapedBeforeTheProviderSeesThem) {
  constexpr char16_t kVersion[] = u"GetCurrentNvmVersion";
  ObjectPtr out;
  EXPECT_EQ(services_->ExecMethod(u"SdkTbtController.ControllerId=\"a\\\\b\"", kVersion, 0, nullptr,
                                  &out),
            WBEM_S_NO_ERROR);
  EXPECT_EQ(provider_->LastAddressedControllerId(), u"a\\b");
  EXPECT_EQ(
      services_->ExecMethod(u"SdkTbtController.ControllerId=\"a\\b\"", kVersion, 0, nullptr, &out),
      WBEM_E_INVALID_OBJECT_PATH);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(provider_->CallCount(kVersion), 1u);

  ASSERT_EQ(services_->GetObject(u"SDKTBTCONTROLLER", 0, &out), WBEM_S_NO_ERROR);
  EXPECT_EQ(out->GetMethod(u"readfirmware", nullptr, nullptr), WBEM_S_NO_ERROR);
  ASSERT_EQ(services_->GetObject(u"SdkTbtController.ControllerId=\"a\\\\b\"", 0, &out),
            WBEM_S_NO_ERROR);
  Variant name;
  ASSERT_EQ(out->Get(u"ControllerId", &name), WBEM_S_NO_ERROR);
  EXPECT_EQ(name.bstrVal, u"a\\b");
  EXPECT_EQ(services_->GetObject(u"SdkTbtController.ControllerId=\"none\"", 0, &out),
            WBEM_E_NOT_FOUND);
  EXPECT_EQ(services_->GetObject(u"Gadget", 0, &out), WBEM_E_NOT_FOUND);
  EXPECT_EQ(out, nullptr);
}

TEST_F(WmiServicesTest, EveryCallFailsOnceTheProviderIsUnreachable) {
  provider_->SetAvailability([] { return false; }, nullptr);
  ObjectPtr object;
  std::shared_ptr<EnumWbemClassObject> enumerator;
  EXPECT_EQ(services_->ExecMethod(u"SdkTbtController.ControllerId=\"first\"", u"ReadFirmware", 0,
                                  nullptr, &object),
            WBEM_E_TRANSPORT_FAILURE);
  EXPECT_EQ(services_->GetObject(u"SdkTbtController", 0, &object), WBEM_E_TRANSPORT_FAILURE);
  EXPECT_EQ(services_->ExecQuery(u"WQL", u"select * from SdkTbtController", 0, &enumerator),
            WBEM_E_TRANSPORT_FAILURE);
  EXPECT_EQ(provider_->CallCount(u"ReadFirmware"), 0u);
}

TEST(WmiObjectTest, UnsetReadsAsNullUnknownIsNotFoundAndArraysTravelAsCopies) {
  WbemClassObject object(u"__PARAMETERS");
  object.DeclareProperty(u"ReturnValue", VT_I4);
  Variant value = Variant::Int32(7);
  EXPECT_EQ(object.Get(u"ReturnValue", &value), WBEM_S_NO_ERROR);
  EXPECT_EQ(value.vt, VT_NULL);
  value = Variant::Int32(7);
  EXPECT_EQ(object.Get(u"NvmVersion", &value), WBEM_E_NOT_FOUND);
  EXPECT_EQ(value.vt, VT_EMPTY);  // cleared even on failure

  WbemClassObject free(u"__PARAMETERS");
  auto array = SafeArrayCreateVector(0, 3);
  array->elements = {1, 2, 3};
  ASSERT_EQ(free.Put(u"data", Variant::Bytes(array)), WBEM_S_NO_ERROR);
  array->elements[0] = 9;  // the caller's array changes after the Put
  ASSERT_EQ(free.Get(u"data", &value), WBEM_S_NO_ERROR);
  SafeArrayDestroyData(value.parray.get());
  ASSERT_EQ(free.Get(u"data", &value), WBEM_S_NO_ERROR);
  EXPECT_EQ(value.parray->elements, (std::vector<uint8_t>{1, 2, 3}));
}

}  // namespace
}  // namespace tbt::wmi
