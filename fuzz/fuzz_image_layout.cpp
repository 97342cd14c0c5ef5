// Fuzzes the image reader: any bytes must give a defined answer without reading
// outside the image; a base is found exactly when the bytes that locate it are inside.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "fuzz/FuzzRequire.h"
#include "platform/ByteOrder.h"
#include "platform/NvmImageFormat.h"
#include "update/NvmCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tbt;
  using fuzz::Require;
  NvmLayout layout;
  const UpdateResult result = ReadImageLayout(data, size, &layout);
  Require(result == TBU_OK || result == TBU_E_NO_IMAGE || result == TBU_E_UNKNOWN_DEVICE);

  const std::optional<SectionPointer> pointer =
      FindSectionPointer(std::span<const uint8_t>(data, size));
  Require(pointer.has_value() || result == TBU_E_NO_IMAGE);
  if (result != TBU_OK) {
    return 0;
  }
  Require(layout.base0 == pointer->value);
  Require(layout.base0 < size && size - layout.base0 > kVersionOffset);
  Require(layout.version == data[layout.base0 + kVersionOffset]);
  Require(layout.kind >= 0 && layout.kind <= 5 && layout.variant <= 1);
  const bool hasSections = layout.kind >= 3;
  Require((layout.base1State != NvmBaseState::kAbsent) == hasSections);
  // Base 1 is found exactly when its pointer lies inside and the sum fits 32 bits.
  const uint64_t pointerEnd = uint64_t{layout.base0} + kBase1PointerOffset + 4;
  const bool base1Fits =
      pointerEnd <= size &&
      uint64_t{layout.base0} + ReadLittleEndian(data + pointerEnd - 4, 4) <= UINT32_MAX;
  Require((layout.base1State == NvmBaseState::kFound) == (hasSections && base1Fits));
  const bool hasBlocks = hasSections && (data[layout.base0 + kSectionFlagsOffset] & kFlagHasBlocks);
  Require((layout.base2State != NvmBaseState::kAbsent) == hasBlocks);
  return 0;
}
