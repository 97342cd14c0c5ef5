#pragma once

// How a Thunderbolt NVM image locates its primary section, read through one
// bounds-checked little-endian reader: shared by the engine's check, the emulated
// controller, the kernel's image rules, tbt-nvm and the window.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tbt {

/// Size of the little-endian section pointer, at kSectionPointerOffset and its copy.
inline constexpr uint32_t kSectionPointerSize = 3;
/// Erased flash: a section pointer of all ones is as blank as one of zeros.
inline constexpr uint32_t kErasedSectionPointer = 0xFFFFFF;

/// The little-endian value of the `width` (at most 4) bytes at `offset`; nullopt when
/// any of them lies outside `bytes`. Checked by subtraction, so no offset can wrap.
inline std::optional<uint32_t> ReadLittleEndianAt(std::span<const uint8_t> bytes, uint64_t offset,
                                                  uint32_t width) {
  if (offset > bytes.size() || width > bytes.size() - offset) {
    return std::nullopt;
  }
  uint32_t value = 0;
  for (uint32_t i = 0; i < width; ++i) {
    value |= static_cast<uint32_t>(bytes[offset + i]) << (8 * i);
  }
  return value;
}

/// A section pointer and the image offset it was read from.
struct SectionPointer {
  uint32_t value = 0;
  uint32_t foundAt = 0;
};

/// The image's section pointer: the one at offset 0, or the copy at 0x1000 when the
/// first is 0 or 0xFFFFFF. nullopt when neither is usable or the image ends before the
/// pointer that would be read. The pointer may lie past the image's end.
std::optional<SectionPointer> FindSectionPointer(std::span<const uint8_t> image);

/// The NVM space an image becomes on the controller: its bytes from the section
/// pointer to its end, empty when the pointer lies at or past the end. nullopt when the
/// image has no usable section pointer.
std::optional<std::vector<uint8_t>> NvmSpaceFromImage(std::span<const uint8_t> image);

/// What a file given for a controller holds: the NVM space of an image whose section
/// pointer lies inside it, or else the bytes unchanged, taken as the controller's NVM
/// itself (whose first bytes, read as a pointer, land past its end).
std::vector<uint8_t> ControllerNvmFromFile(std::vector<uint8_t> bytes);

}  // namespace tbt
