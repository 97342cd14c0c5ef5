#pragma once

// Builds firmware images and controller NVM spaces for tests, the command line and the
// demo. An image is a header with the section pointer followed by the primary section;
// a controller's NVM is that primary section alone, starting at offset 0.
//
// Primary section layout written here (offsets from its start, little-endian):
//   0x00      header level in the lowest three bits
//   0x02      section flags (0x40: optional blocks present; 0x04 0x02 0x01 0x10 0x08 0x20
//             select the blocks)
//   0x03      16-bit offset of the first optional block
//   0x05      16-bit device identifier
//   0x0A      version byte
//   0x10E     32-bit offset of the secondary section
// Each present block is a 16-bit count of 32-bit words followed by those words; the
// region that follows the last block is where base-2 regions live.

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "platform/NvmSectionLayout.h"

namespace tbt::emulated {

/// Where an image keeps its section pointer.
enum class SectionPointerPlacement {
  kAtZero,         // bytes 0..2 only
  kAtZeroAndCopy,  // bytes 0..2 and the copy at 0x1000
  kCopyOnly,       // bytes 0..2 are zero; only the copy at 0x1000 is valid
};

/// A fluent builder of one board's firmware: each setter changes one property and
/// returns the builder.
class NvmImageBuilder {
 public:
  /// Sets the 16-bit device identifier at section offset 5.
  NvmImageBuilder& DeviceId(uint16_t deviceId) { return Set(deviceId_, deviceId); }
  /// Sets the version byte at section offset 0x0A.
  NvmImageBuilder& Version(uint8_t version) { return Set(version_, version); }
  /// Sets the header level (lowest three bits of the section's first byte).
  NvmImageBuilder& HeaderLevel(uint8_t level) { return Set(headerLevel_, level); }
  /// Sets the section flags byte; blocks selected here but not sized are empty.
  NvmImageBuilder& SectionFlags(uint8_t flags) { return Set(sectionFlags_, flags); }
  /// Sets flag bit `flag` (one of 0x04 0x02 0x01 0x10 0x08 0x20) and 0x40, and gives
  /// that block `words` 32-bit words.
  NvmImageBuilder& Block(uint8_t flag, uint16_t words);
  /// Sets the offset of the first block relative to the section start.
  NvmImageBuilder& BlockChainOffset(uint16_t offset) { return Set(blockChainOffset_, offset); }
  /// Sets the offset stored at section offset 0x10E.
  NvmImageBuilder& Base1Pointer(uint32_t offset) { return Set(base1Pointer_, offset); }
  /// Sets one byte relative to base 0 (section start), 1 or 2 (after the blocks).
  NvmImageBuilder& RegionByte(uint32_t base, uint32_t offset, uint8_t value);
  /// Sets where the image keeps its section pointer.
  NvmImageBuilder& Placement(SectionPointerPlacement placement) {
    return Set(placement_, placement);
  }
  /// Sets the number of image bytes in front of the section (the section pointer).
  NvmImageBuilder& HeaderSize(uint32_t size) { return Set(headerSize_, size); }
  /// Sets the least size of the section; it grows to hold what was written.
  NvmImageBuilder& SectionSize(uint32_t size) { return Set(sectionSize_, size); }

  /// The image: header with the section pointer, then the section.
  std::vector<uint8_t> BuildImage() const;
  /// The controller's NVM space: the section alone.
  std::vector<uint8_t> BuildControllerNvm() const;
  /// Offset of base 2 (the first byte after the blocks) within the section.
  uint32_t Base2Offset() const;

 private:
  template <typename T>
  NvmImageBuilder& Set(T& field, T value) {
    field = value;
    return *this;
  }
  std::vector<uint8_t> BuildSection() const;

  uint16_t deviceId_ = 0x15D3;
  uint8_t version_ = 0x20;
  uint8_t headerLevel_ = 3;
  uint8_t sectionFlags_ = 0;
  uint16_t blockChainOffset_ = 0x180;
  uint32_t base1Pointer_ = 0x140;
  std::map<uint8_t, uint16_t> blockWords_;
  std::vector<std::pair<std::pair<uint32_t, uint32_t>, uint8_t>> regionBytes_;
  SectionPointerPlacement placement_ = SectionPointerPlacement::kAtZero;
  uint32_t headerSize_ = 0x100;
  uint32_t sectionSize_ = 0;
};

/// The NVM of the built-in emulated controller: device 0x15D3 (kind 5, variant 0) with
/// optional blocks, so every row of its kind is compared, version 0x20.
std::vector<uint8_t> DefaultControllerNvm();

/// A firmware image for the same board as DefaultControllerNvm, one version newer.
std::vector<uint8_t> DemoImage();

/// The builder behind DefaultControllerNvm and DemoImage (before the version is set).
NvmImageBuilder DefaultBoardBuilder();

}  // namespace tbt::emulated
