// The image side of the compatibility check: the device table and how an image's sections are
// located and refused.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "update/NvmCheck.h"

namespace tbt {
namespace {

using emulated::NvmImageBuilder;

TEST(DeviceIdToKindTest, MapsEveryKnownDeviceAndKeepsTheFlagWhereTheTableSaysSo) {
  const struct {
    uint16_t deviceId;
    int32_t kind;
    int variant;  // -1: the record's flag stays as it was
  } cases[] = {
      {0x1567, 0, 1}, {0x1569, 0, 0}, {0x156B, 1, 1}, {0x156D, 1, 0}, {0x147E, 2, 1},
      {0x1576, 3, 1}, {0x1578, 3, 0}, {0x15BF, 4, 1}, {0x15C0, 4, 1}, {0x15DC, 4, -1},
      {0x15D2, 5, 0}, {0x15D3, 5, 0}, {0x15D9, 5, 1}, {0x15DA, 5, 1}, {0x15DE, 5, -1},
  };
  for (const auto& c : cases) {
    for (uint32_t startVariant : {0u, 1u}) {
      NvmLayout layout;
      layout.variant = startVariant;
      ASSERT_EQ(DeviceIdToKind(c.deviceId, &layout), TBU_OK) << std::hex << c.deviceId;
      EXPECT_EQ(layout.kind, c.kind) << std::hex << c.deviceId;
      const uint32_t expectedVariant = c.variant < 0 ? startVariant : uint32_t(c.variant);
      EXPECT_EQ(layout.variant, expectedVariant) << std::hex << c.deviceId;
    }
  }
}

TEST(ReadImageLayoutTest, RefusesOnlyReadsOutsideAndMarksBasesItCannotReach) {
  // Kind 5 with blocks: section at 0x100, chain at 0x180, blocks of 1 and 2 words.
  NvmImageBuilder builder;
  builder.Block(0x04, 1).Block(0x08, 2);
  const std::vector<uint8_t> valid = builder.BuildImage();
  constexpr size_t kNone = SIZE_MAX;
  constexpr size_t kSection = 0x100;
  constexpr auto kFound = NvmBaseState::kFound;
  constexpr auto kPast = NvmBaseState::kPastImageEnd;
  constexpr auto kAbsent = NvmBaseState::kAbsent;
  // A malformed image, made from a valid one by a patch and a cut.
  const struct {
    const char* what;
    size_t patchOffset;  // SIZE_MAX: no patch
    uint32_t patchValue;
    uint32_t patchWidth;
    size_t keepBytes;  // SIZE_MAX: keep the whole image
    UpdateResult expected;
    NvmBaseState base1;
    NvmBaseState base2;
  } cases[] = {
      {"blank pointer and no room for the copy", 0, 0, 3, kNone, TBU_E_NO_IMAGE, kAbsent, kAbsent},
      {"pointer at the very end", 0, static_cast<uint32_t>(valid.size()), 3, kNone, TBU_E_NO_IMAGE,
       kAbsent, kAbsent},
      // From here on the image is identified; only the bases it cannot reach are marked.
      {"kind 1 reads no further", kSection + kDeviceIdOffset, 0x156D, 2, kSection + 0x0B, TBU_OK,
       kAbsent, kAbsent},
      {"blocks without their enabling flag", kSection + 2, 0x05, 1, kNone, TBU_OK, kFound, kAbsent},
      {"base-1 pointer overflowing 32 bits", kSection + 0x10E, 0xFFFFFFF0u, 4, kNone, TBU_OK, kPast,
       kFound},
      {"base 1 past the end", kSection + 0x10E, 0x00F00000u, 4, kNone, TBU_OK, kFound, kFound},
      {"chain start past the end", kSection + 3, 0xFFF0, 2, kNone, TBU_OK, kFound, kPast},
      {"first block count sends the second past the end", kSection + 0x180, 0xFFFF, 2, kNone,
       TBU_OK, kFound, kPast},
      {"base 2 past the end", kSection + 0x180 + 6, 0x8000, 2, kNone, TBU_OK, kFound, kFound},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> image = valid;
    if (c.patchOffset != kNone) {
      ASSERT_LE(c.patchOffset + c.patchWidth, image.size()) << c.what;
      WriteLittleEndian(image.data() + c.patchOffset, c.patchValue, c.patchWidth);
    }
    if (c.keepBytes != kNone) {
      image.resize(c.keepBytes);
    }
    // An exact-size copy lets the sanitizers see any read past the end.
    std::vector<uint8_t> exact(image.begin(), image.end());
    exact.shrink_to_fit();
    NvmLayout layout;
    EXPECT_EQ(ReadImageLayout(exact.empty() ? nullptr : exact.data(), exact.size(), &layout),
              c.expected)
        << c.what;
    EXPECT_EQ(layout.base1State, c.base1) << c.what;
    EXPECT_EQ(layout.base2State, c.base2) << c.what;
  }
}

}  // namespace
}  // namespace tbt
