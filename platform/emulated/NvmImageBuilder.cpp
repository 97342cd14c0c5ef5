#include "platform/emulated/NvmImageBuilder.h"

#include <algorithm>
#include <array>

#include "platform/ByteOrder.h"
#include "platform/NvmImageFormat.h"
#include "platform/NvmSectionLayout.h"

namespace tbt::emulated {
namespace {

// Large enough for every region the check compares relative to the section start.
constexpr uint32_t kDefaultSectionSize = 0x2200;
// Room after base 2 for its regions and their 4-byte reads.
constexpr uint32_t kBase2Room = 0x20;
// The copy of the section pointer needs the header to reach past it.
constexpr uint32_t kHeaderSizeWithCopy = kSectionPointerCopyOffset + 0x10;

void PutLittleEndian(std::vector<uint8_t>& bytes, uint32_t offset, uint32_t value, uint32_t width) {
  WriteLittleEndian(bytes.data() + offset, value, width);
}

}  // namespace

NvmImageBuilder& NvmImageBuilder::Block(uint8_t flag, uint16_t words) {
  sectionFlags_ |= static_cast<uint8_t>(flag | kFlagHasBlocks);
  blockWords_[flag] = words;
  return *this;
}

NvmImageBuilder& NvmImageBuilder::RegionByte(uint32_t base, uint32_t offset, uint8_t value) {
  regionBytes_.push_back({{base, offset}, value});
  return *this;
}

uint32_t NvmImageBuilder::Base2Offset() const {
  uint32_t q = blockChainOffset_;
  for (uint8_t flag : kBlockFlags) {
    if ((sectionFlags_ & flag) != 0) {
      const auto found = blockWords_.find(flag);
      const uint32_t words = found == blockWords_.end() ? 0 : found->second;
      q += 4 * words + 2;
    }
  }
  return q;
}

std::vector<uint8_t> NvmImageBuilder::BuildSection() const {
  const uint32_t base2 = Base2Offset();
  auto regionOffset = [&](uint32_t base, uint32_t offset) {
    return (base == 1 ? base1Pointer_ : base == 2 ? base2 : 0) + offset;
  };
  uint32_t size = sectionSize_ == 0 ? kDefaultSectionSize : sectionSize_;
  size = std::max({size, kBase1PointerOffset + 4, base1Pointer_ + 1, base2 + kBase2Room});
  for (const auto& [where, value] : regionBytes_) {
    size = std::max(size, regionOffset(where.first, where.second) + 1);
  }

  std::vector<uint8_t> section(size, 0);
  section[kHeaderLevelOffset] = headerLevel_ & kHeaderLevelMask;
  section[kSectionFlagsOffset] = sectionFlags_;
  PutLittleEndian(section, kBlockChainOffset, blockChainOffset_, 2);
  PutLittleEndian(section, kDeviceIdOffset, deviceId_, kDeviceIdSize);
  section[kVersionOffset] = version_;
  PutLittleEndian(section, kBase1PointerOffset, base1Pointer_, 4);

  uint32_t q = blockChainOffset_;
  for (uint8_t flag : kBlockFlags) {
    if ((sectionFlags_ & flag) == 0) {
      continue;
    }
    const auto found = blockWords_.find(flag);
    const uint16_t words = found == blockWords_.end() ? 0 : found->second;
    PutLittleEndian(section, q, words, 2);
    // Block contents are never compared; a recognisable pattern helps when reading dumps.
    for (uint32_t i = 0; i < 4u * words; ++i) {
      section[q + 2 + i] = static_cast<uint8_t>(flag + i);
    }
    q += 4u * words + 2;
  }

  for (const auto& [where, value] : regionBytes_) {
    section[regionOffset(where.first, where.second)] = value;
  }
  return section;
}

std::vector<uint8_t> NvmImageBuilder::BuildControllerNvm() const {
  return BuildSection();
}

std::vector<uint8_t> NvmImageBuilder::BuildImage() const {
  const bool withCopy = placement_ != SectionPointerPlacement::kAtZero;
  const uint32_t headerSize = std::max(
      withCopy ? std::max(headerSize_, kHeaderSizeWithCopy) : headerSize_, kSectionPointerSize);
  // Erased flash reads as 0xFF, as the unused part of a real image's header does.
  std::vector<uint8_t> image(headerSize, 0xFF);
  PutLittleEndian(image, kSectionPointerOffset,
                  placement_ == SectionPointerPlacement::kCopyOnly ? 0 : headerSize,
                  kSectionPointerSize);
  if (withCopy) {
    PutLittleEndian(image, kSectionPointerCopyOffset, headerSize, kSectionPointerSize);
  }
  const std::vector<uint8_t> section = BuildSection();
  image.insert(image.end(), section.begin(), section.end());
  return image;
}

NvmImageBuilder DefaultBoardBuilder() {
  NvmImageBuilder builder;
  builder.DeviceId(0x15D3)
      .HeaderLevel(3)
      .Block(0x04, 3)
      .Block(0x01, 1)
      .Block(0x20, 2)
      .HeaderSize(0x4000)
      // PCIe settings, DisplayPort sinks and source, USB2 port wiring of the board.
      .RegionByte(0, 0x10, 0x06)
      .RegionByte(0, 0x11, 0x11)
      .RegionByte(0, 0x12, 0xBF)
      .RegionByte(0, 0x13, 0x05)
      .RegionByte(0, 0x121, 0x21)
      .RegionByte(0, 0x129, 0x29)
      .RegionByte(0, 0x136, 0x36)
      .RegionByte(0, 0xB6, 0xC6)
      // Port A and port B configuration after the optional blocks.
      .RegionByte(2, 0x12, 0x4C)
      .RegionByte(2, 0x13, 0x8C);
  return builder;
}

std::vector<uint8_t> DefaultControllerNvm() {
  return DefaultBoardBuilder().Version(0x20).BuildControllerNvm();
}

std::vector<uint8_t> DemoImage() {
  return DefaultBoardBuilder().Version(0x21).BuildImage();
}

}  // namespace tbt::emulated
