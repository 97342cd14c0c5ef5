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
  const struct {
    SectionPointerPlacement placement;
    std::optional<uint32_t> atZero;  // written over the builder's pointer
    std::optional<uint32_t> copy;    // written over the builder's copy
    uint32_t foundAt;
  } cases[] = {
      {SectionPointerPlacement::kAtZero, {}, {}, 0},
      {SectionPointerPlacement::kAtZeroAndCopy, {}, 0x123, 0},  // a wrong copy is not looked at
      {SectionPointerPlacement::kCopyOnly, {}, {}, 0x1000},
      {SectionPointerPlacement::kAtZeroAndCopy, 0u, {}, 0x1000},
      {SectionPointerPlacement::kAtZeroAndCopy, 0xFFFFFFu, {}, 0x1000},
  };
  for (const auto& c : cases) {
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

// An image gives its section; bytes whose pointer lands past their end (a controller's
// own NVM among them) give an empty space and stay whole as a controller file.
TEST(NvmImageFormatTest, NvmSpaceAndControllerFileOfImagesAndOtherBytes) {
  using Bytes = std::vector<uint8_t>;
  const NvmImageBuilder board = emulated::DefaultBoardBuilder();
  const Bytes nvm = board.BuildControllerNvm();
  const Bytes copyOnly =
      NvmImageBuilder(board).Placement(SectionPointerPlacement::kCopyOnly).BuildImage();
  const Bytes pointerAtEnd = {0x08, 0, 0, 1, 2, 3, 4, 5};
  const Bytes noPointer(0x1100, 0);
  const struct {
    Bytes bytes;
    std::optional<Bytes> space;
    Bytes controller;
  } cases[] = {
      {board.BuildImage(), nvm, nvm},        {copyOnly, nvm, nvm},
      {pointerAtEnd, Bytes{}, pointerAtEnd}, {nvm, Bytes{}, nvm},
      {noPointer, std::nullopt, noPointer},  {{}, std::nullopt, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NvmSpaceFromImage(c.bytes), c.space) << c.bytes.size();
    EXPECT_EQ(ControllerNvmFromFile(c.bytes), c.controller) << c.bytes.size();
  }
}

}  // namespace
}  // namespace tbt
