#include "platform/emulated/EmulatedTbtProvider.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/NvmSectionLayout.h"
#include "platform/TbtProviderNames.h"

namespace tbt::emulated {
namespace {

using wmi::HRESULT;
using wmi::ObjectPtr;
using wmi::Variant;

constexpr std::u16string_view kId = u"PCI\\VEN_8086&DEV_15EB\\3&1158&0&E0";
constexpr std::u16string_view kPath =
    u"SdkTbtController.ControllerId=\"PCI\\\\VEN_8086&DEV_15EB\\\\3&1158&0&E0\"";

std::vector<uint8_t> Counting(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<uint8_t>(0x10 + i);
  }
  return bytes;
}

// Drives the provider through a connected namespace, as the client does.
class EmulatedTbtProviderTest : public testing::Test {
 protected:
  void SetUp() override {
    provider_->AddController({std::u16string(kId), Counting(10)});
    RegisterEmulatedTbtProvider(registry_, provider_);
    ASSERT_EQ(wmi::WbemLocator(registry_).ConnectServer(kTbtNamespace, &services_),
              wmi::WBEM_S_NO_ERROR);
  }

  // The method's in-parameter object with the given values put into it.
  ObjectPtr InParams(std::u16string_view method,
                     const std::vector<std::pair<std::u16string, Variant>>& values) {
    ObjectPtr cls;
    ObjectPtr signature;
    ObjectPtr in;
    EXPECT_EQ(services_->GetObject(kTbtClass, 0, &cls), wmi::WBEM_S_NO_ERROR);
    EXPECT_EQ(cls->GetMethod(method, &signature, nullptr), wmi::WBEM_S_NO_ERROR);
    EXPECT_EQ(signature->SpawnInstance(&in), wmi::WBEM_S_NO_ERROR);
    for (const auto& [name, value] : values) {
      EXPECT_EQ(in->Put(name, value), wmi::WBEM_S_NO_ERROR);
    }
    return in;
  }

  HRESULT Exec(std::u16string_view method, const ObjectPtr& in, ObjectPtr* out,
               std::u16string_view path = kPath) {
    return services_->ExecMethod(path, method, 0, in.get(), out);
  }

  HRESULT Read(int32_t offset, int32_t length, ObjectPtr* out) {
    return Exec(u"ReadFirmware",
                InParams(u"ReadFirmware", {{u"offset", Variant::Int32(offset)},
                                           {u"length", Variant::Int32(length)}}),
                out);
  }

  HRESULT Update(const std::vector<uint8_t>& image, ObjectPtr* out,
                 std::optional<int32_t> bufferSize = std::nullopt) {
    auto array = wmi::SafeArrayCreateVector(0, static_cast<uint32_t>(image.size()));
    array->elements = image;
    const int32_t size = bufferSize.value_or(static_cast<int32_t>(image.size()));
    return Exec(u"UpdateFirmware",
                InParams(u"UpdateFirmware", {{u"BufferSize", Variant::Int32(size)},
                                             {u"Buffer", Variant::Bytes(array)}}),
                out);
  }

  static int32_t Int(const ObjectPtr& out, std::u16string_view name) {
    Variant value;
    EXPECT_EQ(out->Get(name, &value), wmi::WBEM_S_NO_ERROR) << "no out-parameter";
    EXPECT_EQ(value.vt, wmi::VT_I4);
    return value.lVal;
  }

  wmi::NamespaceRegistry registry_;
  std::shared_ptr<EmulatedTbtProvider> provider_ = std::make_shared<EmulatedTbtProvider>();
  std::shared_ptr<wmi::WbemServices> services_;
};

struct ReadCase {
  const char* label;
  int32_t offset;
  int32_t length;
  int32_t returnValue;
  std::vector<uint8_t> data;  // expected "data"; empty with a non-zero ReturnValue: none
};

void PrintTo(const ReadCase& row, std::ostream* os) {
  *os << row.label;
}

class EmulatedTbtReadTest : public EmulatedTbtProviderTest,
                            public testing::WithParamInterface<ReadCase> {};

TEST_P(EmulatedTbtReadTest, DeliversTheBytesThatExist) {
  const ReadCase& row = GetParam();
  ObjectPtr out;
  ASSERT_EQ(Read(row.offset, row.length, &out), wmi::WBEM_S_NO_ERROR);
  EXPECT_EQ(Int(out, u"ReturnValue"), row.returnValue);
  Variant data;
  ASSERT_EQ(out->Get(u"data", &data), wmi::WBEM_S_NO_ERROR);
  if (row.returnValue == 0) {
    ASSERT_EQ(data.vt, wmi::VT_ARRAY_UI1);
    EXPECT_EQ(data.parray->lowerBound, 0);
    EXPECT_EQ(data.parray->elements, row.data);
  } else {
    EXPECT_EQ(data.vt, wmi::VT_NULL);
  }
  EXPECT_EQ(provider_->ReadOffsets(), std::vector<int32_t>{row.offset});
}

INSTANTIATE_TEST_SUITE_P(
    Reads, EmulatedTbtReadTest,
    testing::Values(
        ReadCase{"LastWholeWord", 6, 4, 0, {0x16, 0x17, 0x18, 0x19}},
        ReadCase{"AtTheEnd", 10, 4, 1, {}}, ReadCase{"NegativeOffset", -4, 4, 1, {}},
        ReadCase{"HugeLength", 2, 0x7FFFFFFF, 0, {0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19}}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.label); });

// An image of `size` 0xA5 bytes with the given 24-bit pointers at 0 and at 0x1000.
std::vector<uint8_t> Image(size_t size, uint32_t pointer, std::optional<uint32_t> copy) {
  std::vector<uint8_t> image(size, 0xA5);
  WriteLittleEndian(image.data(), pointer, 3);
  if (copy.has_value()) {
    WriteLittleEndian(image.data() + kSectionPointerCopyOffset, *copy, 3);
  }
  image.back() = 0x5E;
  return image;
}

struct UpdateCase {
  const char* label;
  std::vector<uint8_t> image;
  std::optional<int32_t> bufferSize;
  uint32_t returnValue;
  size_t activeStart;  // where the new active NVM starts in the image
};

void PrintTo(const UpdateCase& row, std::ostream* os) {
  *os << row.label;
}

class EmulatedTbtUpdateTest : public EmulatedTbtProviderTest,
                              public testing::WithParamInterface<UpdateCase> {};

TEST_P(EmulatedTbtUpdateTest, ActivatesTheImageFromItsSectionPointer) {
  const UpdateCase& row = GetParam();
  ObjectPtr out;
  ASSERT_EQ(Update(row.image, &out, row.bufferSize), wmi::WBEM_S_NO_ERROR);
  EXPECT_EQ(Int(out, u"ReturnValue"), static_cast<int32_t>(row.returnValue));
  if (row.returnValue == kTbtReturnOk) {
    EXPECT_EQ(provider_->LastWrittenImage(), row.image);
    EXPECT_EQ(provider_->Controller(0).nvm,
              std::vector<uint8_t>(row.image.begin() + static_cast<std::ptrdiff_t>(row.activeStart),
                                   row.image.end()));
  } else {
    EXPECT_EQ(provider_->Controller(0).nvm, Counting(10));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Updates, EmulatedTbtUpdateTest,
    testing::Values(
        UpdateCase{"PointerAtStart", Image(0x2000, 0x0800, std::nullopt), {}, 0, 0x0800},
        UpdateCase{"ZeroUsesTheCopy", Image(0x2000, 0, 0x1800), {}, 0, 0x1800},
        UpdateCase{"NeitherPointer", Image(0x2000, 0, 0xFFFFFF), {}, 3, 0},
        UpdateCase{"PointerPastTheEnd", Image(0x2000, 0x2000, std::nullopt), {}, 3, 0},
        UpdateCase{"SizeTooSmall", Image(0x2000, 0x800, std::nullopt), 0x1FFF, 2, 0}),
    [](const testing::TestParamInfo<UpdateCase>& info) { return std::string(info.param.label); });

TEST_F(EmulatedTbtProviderTest, AWorkerThreadMayCallWhileTheTestReads) {
  constexpr int kReads = 200;
  std::atomic<bool> done = false;
  std::thread worker([&] {
    for (int i = 0; i < kReads; ++i) {
      ObjectPtr out;
      Read(i % 8, 2, &out);
    }
    ObjectPtr out;
    Update(Image(0x2000, 0x1000, std::nullopt), &out);
    done = true;
  });
  // The test thread reads the provider's records while the worker changes them.
  do {
    provider_->ReadOffsets();
    provider_->Controller(0);
  } while (!done);
  worker.join();
  EXPECT_EQ(provider_->ReadOffsets().size(), static_cast<size_t>(kReads));
  EXPECT_EQ(provider_->Controller(0).nvm.size(), 0x1000u);
}

}  // namespace
}  // namespace tbt::emulated
