// How an image locates its section, and what a controller file becomes.

#include "platform/NvmImageFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/NvmSectionLayout.h"
#include "platform/emulated/NvmImageBuilder.h"

namespace tbt {
namespace {

using emulated::NvmImageBuilder;
using emulated::SectionPointerPlacement;

TEST(NvmImageFormatTest, TakesTheCopyAt0x1000OnlyWhenThePointerAtZeroIsBlank) {
  struct Case {
    SectionPointerPlacement placement;
    std::optional<uint32_t> atZero;  // written over the builder's pointer
    std::optional<uint32_t> copy;    // written over the builder's copy
    uint32_t foundAt;
  };
  const Case cases[] = {
      {SectionPointerPlacement::kAtZero, {}, {}, 0},
      {SectionPointerPlacement::kAtZeroAndCopy, {}, 0x123, 0},  // a wrong copy is not looked at
      {SectionPointerPlacement::kCopyOnly, {}, {}, 0x1000},
      {SectionPointerPlacement::kAtZeroAndCopy, 0u, {}, 0x1000},
      {SectionPointerPlacement::kAtZeroAndCopy, 0xFFFFFFu, {}, 0x1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.placement) << " " << c.atZero.value_or(1));
    std::vector<uint8_t> image =
        NvmImageBuilder().HeaderSize(0x2000).Placement(c.placement).BuildImage();
    if (c.atZero) {
      WriteLittleEndian(image.data() + kSectionPointerOffset, *c.atZero, kSectionPointerSize);
    }
    if (c.copy) {
      WriteLittleEndian(image.data() + kSectionPointerCopyOffset, *c.copy, kSectionPointerSize);
    }
    const std::optional<SectionPointer> pointer = FindSectionPointer(image);
    ASSERT_TRUE(pointer.has_value());
    EXPECT_EQ(pointer->value, 0x2000u);
    EXPECT_EQ(pointer->foundAt, c.foundAt);
  }
}

TEST(NvmImageFormatTest, NvmSpaceIsTheSectionAndEmptyWhenThePointerLiesPastTheEnd) {
  const NvmImageBuilder board = emulated::DefaultBoardBuilder();
  for (auto placement : {SectionPointerPlacement::kAtZero, SectionPointerPlacement::kCopyOnly}) {
    EXPECT_EQ(NvmSpaceFromImage(NvmImageBuilder(board).Placement(placement).BuildImage()),
              board.BuildControllerNvm());
  }
  const std::vector<uint8_t> pointerAtEnd = {0x08, 0, 0, 1, 2, 3, 4, 5};
  EXPECT_EQ(NvmSpaceFromImage(pointerAtEnd), std::vector<uint8_t>{});
  const std::vector<uint8_t> noPointer(0x1100, 0);
  const std::vector<uint8_t> tooShort = {0x10, 0};
  for (const auto& image : {noPointer, tooShort}) {
    EXPECT_EQ(NvmSpaceFromImage(image), std::nullopt) << image.size();
  }
}

TEST(NvmImageFormatTest, ControllerFileGivesTheSectionOfAnImageAndKeepsNvmBytesWhole) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> expected;
  };
  const auto builder = emulated::DefaultBoardBuilder();
  auto copyOnly = emulated::DefaultBoardBuilder();
  copyOnly.Placement(SectionPointerPlacement::kCopyOnly).HeaderSize(0x2000);
  const Case cases[] = {
      {"image", builder.BuildImage(), builder.BuildControllerNvm()},
      {"image with its pointer only at 0x1000", copyOnly.BuildImage(),
       copyOnly.BuildControllerNvm()},
      {"controller NVM", emulated::DefaultControllerNvm(), emulated::DefaultControllerNvm()},
      {"three bytes", {1, 2, 3}, {1, 2, 3}},
      {"empty", {}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ControllerNvmFromFile(c.bytes), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace tbt
