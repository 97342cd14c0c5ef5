// Reading the controller's side: word-aligned reads through ReadFirmware and the
// section walk over the controller's NVM.

#include <gtest/gtest.h>

#include <vector>

#include "platform/emulated/NvmImageBuilder.h"
#include "update/NvmCheckFixture.h"

namespace tbt {
namespace {

using checktest::ControllerUnderTest;
using emulated::NvmImageBuilder;

std::vector<uint8_t> CountingNvm(size_t size) {
  std::vector<uint8_t> nvm(size);
  for (size_t i = 0; i < size; ++i) {
    nvm[i] = static_cast<uint8_t>(i * 7 + 1);
  }
  return nvm;
}

TEST(ReadNvmBytesTest, ReadsWholeAlignedWordsAndCopiesOnlyTheAskedBytes) {
  const struct {
    uint32_t offset;
    uint32_t length;
    std::vector<int32_t> words;  // the ReadFirmware offsets, in order
  } cases[] = {
      {0, 4, {0}}, {7, 1, {4}}, {3, 2, {0, 4}}, {6, 8, {4, 8, 12}}, {0x10E, 4, {0x10C, 0x110}},
  };
  const std::vector<uint8_t> nvm = CountingNvm(0x100 + 0x200);
  for (const auto& c : cases) {
    ControllerUnderTest controller(nvm);
    // Guard bytes on both sides catch a copy that runs too far.
    std::vector<uint8_t> destination(c.length + 2, 0xEE);
    ASSERT_EQ(ReadNvmBytes(controller.Client(), c.offset, c.length, destination.data() + 1), TBU_OK)
        << c.offset;
    EXPECT_EQ(controller.Provider().ReadOffsets(), c.words) << c.offset << "+" << c.length;
    EXPECT_EQ(destination.front(), 0xEE);
    EXPECT_EQ(destination.back(), 0xEE);
    for (uint32_t i = 0; i < c.length; ++i) {
      EXPECT_EQ(destination[1 + i], nvm[c.offset + i]) << c.offset << "+" << i;
    }
  }
}

TEST(ReadNvmBytesTest, ZeroLengthAndWrappingReadsFailWithoutAnyCall) {
  ControllerUnderTest controller(CountingNvm(64));
  uint8_t destination[4] = {0x5A, 0x5A, 0x5A, 0x5A};
  EXPECT_EQ(ReadNvmBytes(controller.Client(), 3, 0, destination), TBU_E_WMI_FAILED);
  EXPECT_EQ(ReadNvmBytes(controller.Client(), 0xFFFFFFFEu, 4, destination), TBU_E_WMI_FAILED);
  EXPECT_EQ(controller.ReadCalls(), 0u);
  EXPECT_EQ(destination[0], 0x5A);
}

TEST(ReadNvmBytesTest, StopsAtTheFirstFailingWordAndPassesItsCodeOn) {
  ControllerUnderTest controller(CountingNvm(16));
  uint8_t destination[8] = {0, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE};
  // Offsets 12..15 exist, 16.. do not: the provider answers "out of range" (1).
  EXPECT_EQ(ReadNvmBytes(controller.Client(), 14, 6, destination), emulated::kTbtReturnOutOfRange);
  EXPECT_EQ(controller.Provider().ReadOffsets(), (std::vector<int32_t>{12, 16}));
  EXPECT_EQ(destination[4], 0xEE);
}

// Builders whose controller walk must find the same sections as the image walk.
std::vector<NvmImageBuilder> WalkBuilders() {
  std::vector<NvmImageBuilder> builders;
  for (uint16_t chainOffset : {0x180, 0x181, 0x182, 0x183}) {
    NvmImageBuilder builder;
    builder.BlockChainOffset(chainOffset).Block(0x04, 1).Block(0x02, 2).Block(0x10, 7);
    builders.push_back(builder);
  }
  builders.push_back(NvmImageBuilder().DeviceId(0x1578).Base1Pointer(0x1F0));
  builders.push_back(NvmImageBuilder().DeviceId(0x15C0).SectionFlags(0x7F));
  builders.push_back(emulated::DefaultBoardBuilder());
  return builders;
}

TEST(ReadControllerLayoutTest, FindsTheSameSectionsAsTheImageWalk) {
  for (const NvmImageBuilder& builder : WalkBuilders()) {
    const std::vector<uint8_t> image = builder.BuildImage();
    NvmLayout fromImage;
    ASSERT_EQ(ReadImageLayout(image.data(), image.size(), &fromImage), TBU_OK);

    ControllerUnderTest controller(builder.BuildControllerNvm());
    NvmLayout fromController;
    ASSERT_EQ(ReadControllerLayout(controller.Client(), &fromController), TBU_OK);
    EXPECT_EQ(fromController.kind, fromImage.kind);
    EXPECT_EQ(fromController.variant, fromImage.variant);
    EXPECT_EQ(fromController.version, fromImage.version);
    EXPECT_EQ(fromController.base1State, fromImage.base1State);
    EXPECT_EQ(fromController.base2State, fromImage.base2State);
    EXPECT_EQ(fromController.base1, fromImage.base1 - fromImage.base0);
    if (fromImage.base2State == NvmBaseState::kFound) {
      EXPECT_EQ(fromController.base2, fromImage.base2 - fromImage.base0);
    }
  }
}

TEST(ReadControllerLayoutTest, AFailedBlockReadReusesThePreviousScratchValue) {
  // The NVM ends right after the chain start, so every block count read fails and the
  // walk keeps using the chain start's bytes (0x0180 -> 0x180 words).
  NvmImageBuilder builder;
  builder.Block(0x04, 0).SectionSize(0x180);
  std::vector<uint8_t> nvm = builder.BuildControllerNvm();
  nvm.resize(0x180);
  ControllerUnderTest controller(nvm);
  NvmLayout layout;
  ASSERT_EQ(ReadControllerLayout(controller.Client(), &layout), TBU_OK);
  EXPECT_EQ(layout.base2State, NvmBaseState::kFound);
  EXPECT_EQ(layout.base2, 0x180u + 4u * 0x180u + 2u);
}

}  // namespace
}  // namespace tbt
