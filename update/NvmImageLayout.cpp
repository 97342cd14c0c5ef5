#include <limits>
#include <optional>
#include <span>

#include "platform/NvmImageFormat.h"
#include "platform/NvmSectionLayout.h"
#include "update/NvmCheck.h"

namespace tbt {
namespace {

// Bounds-checked little-endian read of `width` image bytes at `offset`.
bool ReadImageValue(std::span<const uint8_t> image, uint64_t offset, uint32_t width,
                    uint32_t* value) {
  const std::optional<uint32_t> read = ReadLittleEndianAt(image, offset, width);
  if (!read) {
    return false;
  }
  *value = *read;
  return true;
}

// Adds to an image offset; false when the sum leaves the 32-bit offset space.
bool AddOffset(uint64_t base, uint64_t delta, uint32_t* sum) {
  const uint64_t total = base + delta;
  if (total > std::numeric_limits<uint32_t>::max()) {
    return false;
  }
  *sum = static_cast<uint32_t>(total);
  return true;
}

// The walk to base1 and base2 of an image whose kind has sections. A read that would
// fall outside the image does not refuse it here: it marks the base it locates, and only
// a compared row that needs that base refuses the image.
void LocateImageSections(std::span<const uint8_t> image, NvmLayout* layout) {
  const uint64_t base0 = layout->base0;
  uint32_t base1Delta = 0;
  layout->base1State = ReadImageValue(image, base0 + kBase1PointerOffset, 4, &base1Delta) &&
                               AddOffset(base0, base1Delta, &layout->base1)
                           ? NvmBaseState::kFound
                           : NvmBaseState::kPastImageEnd;

  uint32_t flags = 0;
  if (!ReadImageValue(image, base0 + kSectionFlagsOffset, 1, &flags)) {
    layout->base2State = NvmBaseState::kPastImageEnd;
    return;
  }
  if ((flags & kFlagHasBlocks) == 0) {
    return;
  }
  uint32_t chainStart = 0;
  uint32_t q = 0;
  bool inside = ReadImageValue(image, base0 + kBlockChainOffset, 2, &chainStart) &&
                AddOffset(base0, chainStart, &q);
  for (uint8_t blockFlag : kBlockFlags) {
    uint32_t words = 0;
    if (inside && (flags & blockFlag) != 0) {
      inside = ReadImageValue(image, q, 2, &words) && AddOffset(q, uint64_t{4} * words + 2, &q);
    }
  }
  layout->base2 = inside ? q : 0;
  layout->base2State = inside ? NvmBaseState::kFound : NvmBaseState::kPastImageEnd;
}

}  // namespace

UpdateResult ReadImageLayout(const uint8_t* data, size_t size, NvmLayout* layout,
                             std::optional<uint32_t>* versionRead) {
  const std::span<const uint8_t> image(data, data == nullptr ? 0 : size);
  const std::optional<SectionPointer> pointer = FindSectionPointer(image);
  if (!pointer) {
    return TBU_E_NO_IMAGE;
  }
  layout->base0 = pointer->value;
  uint32_t version = 0;
  if (!ReadImageValue(image, uint64_t{layout->base0} + kVersionOffset, 1, &version)) {
    return TBU_E_NO_IMAGE;
  }
  layout->version = version;
  if (versionRead != nullptr) {
    *versionRead = version;
  }
  uint32_t deviceId = 0;
  if (!ReadImageValue(image, uint64_t{layout->base0} + kDeviceIdOffset, kDeviceIdSize, &deviceId)) {
    return TBU_E_NO_IMAGE;
  }
  const UpdateResult mapped = DeviceIdToKind(static_cast<uint16_t>(deviceId), layout);
  if (mapped != TBU_OK) {
    return mapped;
  }
  if (NvmKindHasSections(layout->kind)) {
    LocateImageSections(image, layout);
  }
  return TBU_OK;
}

}  // namespace tbt
