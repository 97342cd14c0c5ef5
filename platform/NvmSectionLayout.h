#pragma once

// Where things sit in a Thunderbolt NVM image and its primary section: shared by the
// engine's compatibility check, the image format readers and the emulated image builder.

#include <array>
#include <cstdint>

namespace tbt {

/// Image offsets of the 24-bit section pointer and of its copy.
inline constexpr uint32_t kSectionPointerOffset = 0x0;
inline constexpr uint32_t kSectionPointerCopyOffset = 0x1000;

/// Offsets of the fields inside a primary section.
inline constexpr uint32_t kHeaderLevelOffset = 0x00;
inline constexpr uint32_t kSectionFlagsOffset = 0x02;
inline constexpr uint32_t kBlockChainOffset = 0x03;
inline constexpr uint32_t kDeviceIdOffset = 0x05;
inline constexpr uint32_t kDeviceIdSize = 2;
/// The version's minor byte, and the major byte the check compares as "the version".
inline constexpr uint32_t kVersionMinorOffset = 0x09;
inline constexpr uint32_t kVersionOffset = 0x0A;
inline constexpr uint32_t kBase1PointerOffset = 0x10E;

/// The header level is the low three bits of the section's first byte.
inline constexpr uint8_t kHeaderLevelMask = 0x07;

/// Section flag saying that optional blocks follow the chain start.
inline constexpr uint8_t kFlagHasBlocks = 0x40;
/// The optional blocks' flags, in the order the blocks follow each other.
inline constexpr std::array<uint8_t, 6> kBlockFlags{0x04, 0x02, 0x01, 0x10, 0x08, 0x20};

}  // namespace tbt
