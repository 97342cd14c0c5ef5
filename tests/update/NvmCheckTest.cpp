// The whole compatibility check of an image against an emulated controller.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "update/NvmCheckFixture.h"

namespace tbt {
namespace {

using checktest::CheckOutcome;
using checktest::ControllerUnderTest;
using emulated::NvmImageBuilder;

constexpr uint32_t kHeaderSize = 0x100;  // the builder's default

// A device of each kind whose rows all apply: variant 0, or kind 2 (whose rows apply
// to both variants), or 0x15DC (which keeps the starting variant 0).
constexpr uint16_t kDeviceOfKind[] = {0x1569, 0x156D, 0x147E, 0x1578, 0x15DC, 0x15D3};

NvmImageBuilder BoardOfKind(uint32_t kind) {
  NvmImageBuilder builder;
  builder.DeviceId(kDeviceOfKind[kind]);
  if (kind >= 3) {
    builder.Block(0x02, 2).Block(0x08, 1);
  }
  return builder;
}

// Whether `offset` (relative to the row's base) lies inside another row of its kind.
bool InsideAnotherRow(const NvmCheckEntry& row, uint32_t offset) {
  return std::ranges::any_of(kNvmCheckTable, [&](const NvmCheckEntry& other) {
    return &other != &row && other.kind == row.kind && other.base == row.base &&
           offset >= other.offset && offset - other.offset < other.length;
  });
}

TEST(CheckFirmwareImageTest, EachRowIgnoresItsMaskedBitsAndRefusesItsComparedBits) {
  for (size_t index = 0; index < kNvmCheckTable.size(); ++index) {
    const NvmCheckEntry& row = kNvmCheckTable[index];
    SCOPED_TRACE(testing::Message() << "row " << index << " " << ToUtf8(row.name));
    ControllerUnderTest controller(BoardOfKind(row.kind).BuildControllerNvm());

    // Image bytes past a short region are read (4 bytes per row) but not compared.
    NvmImageBuilder beyond = BoardOfKind(row.kind);
    bool changedBeyond = false;
    for (uint32_t offset = row.offset + row.length; offset < row.offset + 4; ++offset) {
      if (!InsideAnotherRow(row, offset)) {
        beyond.RegionByte(row.base, offset, 0xFF);
        changedBeyond = true;
      }
    }
    if (changedBeyond) {
      EXPECT_EQ(controller.Check(beyond.BuildImage()).result, TBU_OK);
    }
    if (row.offset == 5) {
      continue;  // changing the device identifier changes the kind; covered below
    }

    const uint8_t ignored = static_cast<uint8_t>(~row.mask);
    if (ignored != 0) {
      const CheckOutcome masked = controller.Check(
          BoardOfKind(row.kind).RegionByte(row.base, row.offset, ignored).BuildImage());
      EXPECT_EQ(masked.result, TBU_OK);
    }
    const NvmImageBuilder board = BoardOfKind(row.kind);
    const CheckOutcome compared = controller.Check(
        NvmImageBuilder(board)
            .RegionByte(row.base, row.offset, static_cast<uint8_t>(row.mask & -row.mask))
            .BuildImage());
    EXPECT_EQ(compared.result, TBU_E_REGION_MISMATCH);
    // The detail names the row, where each side was read, and the bytes after the mask.
    const NvmCheckDetail& detail = compared.detail;
    const uint32_t offset = (row.base == 2 ? board.Base2Offset() : 0) + row.offset;
    EXPECT_EQ(detail.failedRow, static_cast<int>(index));
    EXPECT_EQ(detail.controllerOffset, offset);
    EXPECT_EQ(detail.imageOffset, kHeaderSize + offset);
    EXPECT_NE(detail.imageValue.value_or(0), detail.controllerValue.value_or(0));

    if (row.length > 1) {
      // Bytes above the lowest are compared whole, whatever the mask.
      const CheckOutcome upper =
          controller.Check(BoardOfKind(row.kind)
                               .RegionByte(row.base, row.offset + row.length - 1, 0x80)
                               .BuildImage());
      EXPECT_EQ(upper.result, TBU_E_REGION_MISMATCH);
      EXPECT_EQ(upper.detail.failedRow, static_cast<int>(index));
    }
  }
}

// A few rows written out here rather than read from kNvmCheckTable, so that a wrong
// offset, mask or row in the table itself shows: image bits flipped against a controller
// that holds zero there.
TEST(CheckFirmwareImageTest, PinnedRowsCompareTheBitsTheRegionTableNames) {
  const struct {
    uint32_t kind;
    uint32_t base;
    uint32_t offset;
    uint8_t bits;
    UpdateResult expected;
  } cases[] = {
      {1, 0, 0x217D, 0x55, TBU_OK},  // "Src0(DP-out)" compares mask 0xAA only
      {1, 0, 0x217D, 0x02, TBU_E_REGION_MISMATCH},
      {2, 0, 0x153, 0x01, TBU_E_REGION_MISMATCH},  // kind 2's "CIO-Port1_TX"
      {4, 2, 0x13, 0x88, TBU_OK},                  // kind 4's "PB" compares mask 0x44 only
      {4, 2, 0x13, 0x04, TBU_E_REGION_MISMATCH},
  };
  for (const auto& c : cases) {
    ControllerUnderTest controller(BoardOfKind(c.kind).BuildControllerNvm());
    const CheckOutcome outcome =
        controller.Check(BoardOfKind(c.kind).RegionByte(c.base, c.offset, c.bits).BuildImage());
    EXPECT_EQ(outcome.result, c.expected) << c.kind << " " << std::hex << c.offset;
  }
}

TEST(CheckFirmwareImageTest, SameKindDifferentDeviceFailsOnTheDeviceIdRow) {
  const std::pair<uint16_t, uint16_t> pairs[] = {{0x15BF, 0x15C0}, {0x15DE, 0x15D2}};
  for (const auto& [controllerId, imageId] : pairs) {
    ControllerUnderTest controller(
        NvmImageBuilder().DeviceId(controllerId).Block(0x04, 1).BuildControllerNvm());
    // Base 1 lies past the image's end; no row reads there, so it decides nothing.
    std::vector<uint8_t> image = NvmImageBuilder().DeviceId(imageId).Block(0x04, 1).BuildImage();
    WriteLittleEndian(&image.at(0x100 + 0x10E), 0x00F00000, 4);
    const CheckOutcome outcome = controller.Check(image);
    EXPECT_EQ(outcome.result, TBU_E_REGION_MISMATCH) << std::hex << controllerId;
    EXPECT_EQ(outcome.RowName(), "Device ID");
  }
}

TEST(CheckFirmwareImageTest, ReportsEachFailureWithItsOwnCode) {
  const auto none = [](auto&...) {};
  // Each failure of the check, and the one way to pass.
  const struct {
    const char* what;
    std::function<void(NvmImageBuilder& controller, NvmImageBuilder& image)> shape;
    std::function<void(emulated::EmulatedTbtProvider&)> provider;
    std::function<void(std::vector<uint8_t>& image)> patch;
    UpdateResult expected;
    bool versionRead = true;  // whether the image's version byte was read
  } cases[] = {
      {"passes", none, none, none, TBU_OK},
      {"provider refuses the version", none,
       [](auto& p) { p.ForceReturnValue(u"GetCurrentNvmVersion", 5); }, none, 5, false},
      // Refused before the image is looked at: there is none.
      {"controller of kind 0", [](auto& c, auto&) { c.DeviceId(0x1569); }, none,
       [](auto& image) { image.clear(); }, TBU_E_UNSUPPORTED_CONTROLLER, false},
      {"empty image", none, none, [](auto& image) { image.clear(); }, TBU_E_NO_IMAGE, false},
      // Bases that lie, or are found, past the image's end refuse only a row that reads there.
      {"base 1 past the end", none, none,
       [](auto& image) { WriteLittleEndian(&image.at(0x4000 + 0x10E), 0x7FFFFFF0, 4); }, TBU_OK},
      {"other kind, cut before its bases", [](auto&, auto& i) { i.DeviceId(0x15C0); }, none,
       [](auto& image) { image.resize(0x4000 + 0x20); }, TBU_E_KIND_MISMATCH},

      {"unknown image device", [](auto&, auto& i) { i.DeviceId(0x1600); }, none, none,
       TBU_E_UNKNOWN_DEVICE},
      {"other kind", [](auto&, auto& i) { i.DeviceId(0x15C0); }, none, none, TBU_E_KIND_MISMATCH},
      {"other variant", [](auto&, auto& i) { i.DeviceId(0x15DA); }, none, none,
       TBU_E_VARIANT_MISMATCH},
      // Variant 1 skips "PB" (flag 0); variant 0 compares it (the per-row test above).
      {"variant 1 skips port B",
       [](auto& c, auto& i) {
         c.DeviceId(0x15D9);
         i.DeviceId(0x15D9).RegionByte(2, 0x13, 0x04);
       },
       none, none, TBU_OK},
      // The header level passes when the controller's is equal (above) or higher; only the
      // lowest three bits of the byte are the level.
      {"higher header level", [](auto&, auto& i) { i.HeaderLevel(4); }, none, none,
       TBU_E_HEADER_LEVEL},
      {"lower header level", [](auto&, auto& i) { i.HeaderLevel(2); }, none, none, TBU_OK},
      {"level beside other bits", none, none, [](auto& image) { image.at(0x4000) = 0xFB; }, TBU_OK},
      {"other sink wiring", [](auto&, auto& i) { i.RegionByte(0, 0x129, 0x01); }, none, none,
       TBU_E_REGION_MISMATCH},
      // Rows after the optional blocks need the blocks on both sides or on neither.
      {"blocks on neither side",
       [](auto& c, auto& i) {
         c.SectionFlags(0);
         i.SectionFlags(0);
       },
       none, none, TBU_OK},
      {"image without blocks", [](auto&, auto& i) { i.SectionFlags(0); }, none, none,
       TBU_E_REGION_MISMATCH},
      {"controller without blocks", [](auto& c, auto&) { c.SectionFlags(0); }, none, none,
       TBU_E_REGION_MISMATCH},
      // The controller's device cannot be identified, and no WMI failure is reported.
      {"unknown controller device", [](auto& c, auto&) { c.DeviceId(0x4242); }, none, none,
       TBU_E_KIND_MISMATCH},
      {"every controller read fails", none,
       [](auto& p) { p.FailMethod(u"ReadFirmware", wmi::WBEM_E_FAILED); }, none,
       TBU_E_KIND_MISMATCH},
  };
  for (const auto& c : cases) {
    NvmImageBuilder controllerShape = emulated::DefaultBoardBuilder();
    NvmImageBuilder imageShape = emulated::DefaultBoardBuilder();
    c.shape(controllerShape, imageShape);
    ControllerUnderTest controller(controllerShape.BuildControllerNvm());
    c.provider(controller.Provider());
    std::vector<uint8_t> image = imageShape.BuildImage();
    c.patch(image);
    const CheckOutcome outcome = controller.Check(image);
    EXPECT_EQ(outcome.result, c.expected) << c.what;
    // The result's version is given on success only; the detail has it once it was read.
    EXPECT_EQ(outcome.version, c.expected == TBU_OK ? 0x20u : 0xDEADBEEFu) << c.what;
    EXPECT_EQ(outcome.detail.imageVersion, c.versionRead ? std::optional(0x20u) : std::nullopt)
        << c.what;
    // Only a row's own refusal names a row.
    EXPECT_EQ(outcome.detail.failedRow >= 0, c.expected == TBU_E_REGION_MISMATCH) << c.what;
  }
}

TEST(CheckFirmwareImageTest, RefusesAnImageAtTheFirstRowWhoseReadRunsPastTheEnd) {
  const NvmImageBuilder board = emulated::DefaultBoardBuilder();
  ControllerUnderTest controller(board.BuildControllerNvm());
  const std::vector<uint8_t> full = board.BuildImage();
  // The last compared row is "PB" at base2 + 0x13, and each row reads 4 image bytes.
  const size_t needed = 0x4000 + board.Base2Offset() + 0x13 + 4;
  ASSERT_LE(needed, full.size());
  const std::vector<uint8_t> enough(full.begin(), full.begin() + needed);
  const std::vector<uint8_t> shortByOne(full.begin(), full.begin() + needed - 1);
  EXPECT_EQ(controller.Check(enough).result, TBU_OK);
  const CheckOutcome cut = controller.Check(shortByOne);
  EXPECT_EQ(cut.result, TBU_E_NO_IMAGE);
  EXPECT_EQ(cut.RowName(), "PB");
  EXPECT_EQ(cut.detail.imageOffset, needed - 4);
  EXPECT_FALSE(cut.detail.imageValue.has_value());

  // Cut before the block chain: the identification and the rows at base 0 still pass,
  // and the first row at base 2 refuses the image, having read the controller's side.
  const CheckOutcome noBase2 =
      controller.Check(std::vector<uint8_t>(full.begin(), full.begin() + 0x4000 + 0x20));
  EXPECT_EQ(noBase2.result, TBU_E_NO_IMAGE);
  EXPECT_EQ(noBase2.RowName(), "PA");
  EXPECT_EQ(noBase2.detail.controllerOffset, board.Base2Offset() + 0x12);
  EXPECT_FALSE(noBase2.detail.imageOffset.has_value());
}

}  // namespace
}  // namespace tbt
