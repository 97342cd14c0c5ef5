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
  const struct {
    std::u16string text;
    bool valid;
    std::u16string className;
    Keys keys;
  } cases[] = {
      {u"SdkTbtController", true, u"SdkTbtController", {}},
      {u"C.Id=\"abc\"", true, u"C", {{u"Id", u"abc"}}},
      {u"C.Id=\"a\\\\b\"", true, u"C", {{u"Id", u"a\\b"}}},
      {u"C.Id=\"say \\\"hi\\\"\"", true, u"C", {{u"Id", u"say \"hi\""}}},
      {u"C.A=\"1\",B=\"x,y\"", true, u"C", {{u"A", u"1"}, {u"B", u"x,y"}}},
      {u"C.Id=\"PCI\\VEN\"", false, {}, {}},
      {u"C.Id=\"abc\\", false, {}, {}},
      {u".Id=\"a\"", false, {}, {}},
      {u"C.Id=", false, {}, {}},
      {u"C.Id=\"a\"b", false, {}, {}},
      {u"\\\\.\\root:C", false, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    ObjectPath path;
    ASSERT_EQ(ParseObjectPath(c.text, &path), c.valid);
    if (c.valid) {
      EXPECT_EQ(path.className, c.className);
      EXPECT_EQ(path.keys, c.keys);
    }
  }
}

// What the client's own tests do not reach, with the emulated Thunderbolt provider behind
// the services: a namespace matches only its whole name, an enumerator says when it ran
// out, and a path with a bare backslash is refused before the provider sees it.
TEST(WmiServicesTest, NamespacesEnumeratorsAndPathsFollowTheModelsRules) {
  NamespaceRegistry registry;
  auto provider = std::make_shared<emulated::EmulatedTbtProvider>();
  provider->AddController({u"first", {}});
  provider->AddController({u"a\\b", {}});
  emulated::RegisterEmulatedTbtProvider(registry, provider);
  std::shared_ptr<WbemServices> services;
  EXPECT_EQ(WbemLocator(registry).ConnectServer(u"ROOT\\Intel", &services),
            WBEM_E_INVALID_NAMESPACE);
  ASSERT_EQ(WbemLocator(registry).ConnectServer(u"root\\INTEL\\thunderbolt", &services),
            WBEM_S_NO_ERROR);
  std::shared_ptr<EnumWbemClassObject> enumerator;
  EXPECT_EQ(services->ExecQuery(u"WQL", u"select * from Gadget", 0, &enumerator),
            WBEM_E_INVALID_CLASS);
  ASSERT_EQ(services->ExecQuery(u"wql", u"  SELECT\t*   from SdkTbtController  ", 0, &enumerator),
            WBEM_S_NO_ERROR);
  ObjectPtr objects[3];
  uint32_t returned = 99;
  EXPECT_EQ(enumerator->Next(WBEM_INFINITE, 3, objects, &returned), WBEM_S_FALSE);
  EXPECT_EQ(returned, 2u);
  ObjectPtr out;
  EXPECT_EQ(services->ExecMethod(u"SdkTbtController.ControllerId=\"a\\b\"", u"GetCurrentNvmVersion",
                                 0, nullptr, &out),
            WBEM_E_INVALID_OBJECT_PATH);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(provider->CallCount(u"GetCurrentNvmVersion"), 0u);
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
