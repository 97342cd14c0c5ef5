#include "update/NvmCheck.h"

#include <limits>
#include <optional>
#include <span>

#include "platform/ByteOrder.h"
#include "platform/NvmImageFormat.h"
#include "platform/NvmSectionLayout.h"
#include "update/TbtWmiClient.h"

namespace tbt {
namespace {

// The controller's NVM is read in aligned words of this size.
constexpr uint32_t kNvmWordSize = 4;
constexpr uint32_t kWordAlignMask = kNvmWordSize - 1;
// Every region is read as one whole word, whatever its length; the length then cuts it.
constexpr uint32_t kRegionReadSize = kNvmWordSize;

// Reads controller bytes into `scratch`; a failure leaves whatever the scratch held.
void ReadControllerValue(CTbtWmiClient& client, uint64_t offset, uint32_t length,
                         uint8_t* scratch) {
  if (offset > std::numeric_limits<uint32_t>::max()) {
    return;
  }
  ReadNvmBytes(client, static_cast<uint32_t>(offset), length, scratch);
}

uint32_t KeepLowBytes(uint32_t value, uint32_t length) {
  if (length == 1) {
    return value & 0xFFu;
  }
  if (length == 2) {
    return value & 0xFFFFu;
  }
  return value;
}

uint32_t ApplyMask(uint32_t value, uint32_t mask) {
  return (value & ~0xFFu) | (value & mask & 0xFFu);
}

// The base a row selects, and whether that side has it.
NvmBaseState SelectBase(const NvmLayout& layout, uint32_t base, uint32_t* value) {
  switch (base) {
    case 0:
      *value = layout.base0;
      return NvmBaseState::kFound;
    case 1:
      *value = layout.base1;
      return layout.base1State;
    case 2:
      *value = layout.base2;
      return layout.base2State;
    default:
      return NvmBaseState::kAbsent;
  }
}

}  // namespace

UpdateResult ReadNvmBytes(CTbtWmiClient& client, uint32_t offset, uint32_t length,
                          uint8_t* destination) {
  const uint32_t firstWord = offset & ~kWordAlignMask;
  // Computed wide so that a read near the top of the offset space cannot wrap around.
  const uint64_t end = static_cast<uint64_t>(offset) + length;
  // A length of 0 fails even at an unaligned offset, where the first word would still
  // lie below the end.
  if (length == 0 || firstWord >= end || end > uint64_t{std::numeric_limits<uint32_t>::max()} + 1) {
    return TBU_E_WMI_FAILED;
  }
  uint8_t scratch[kNvmWordSize] = {};
  uint32_t skip = offset & kWordAlignMask;
  uint32_t copied = 0;
  for (uint64_t word = firstWord; word < end; word += kNvmWordSize) {
    const UpdateResult result =
        client.ReadFirmware(static_cast<uint32_t>(word), kNvmWordSize, scratch);
    if (result != TBU_OK) {
      return result;
    }
    for (uint32_t i = skip; i < kNvmWordSize && copied < length; ++i) {
      destination[copied++] = scratch[i];
    }
    skip = 0;
  }
  return TBU_OK;
}

UpdateResult ReadControllerLayout(CTbtWmiClient& client, NvmLayout* layout) {
  layout->base0 = 0;
  const UpdateResult versionResult = client.GetCurrentNvmVersion(&layout->version);
  if (versionResult != TBU_OK) {
    return versionResult;
  }

  // One scratch word for every read: a failed read leaves the previous value in it.
  uint8_t scratch[4] = {};
  if (ReadNvmBytes(client, layout->base0 + kDeviceIdOffset, kDeviceIdSize, scratch) == TBU_OK) {
    // An unknown controller keeps its starting kind and fails the kind comparison later.
    DeviceIdToKind(static_cast<uint16_t>(ReadLittleEndian(scratch, kDeviceIdSize)), layout);
  }
  if (!NvmKindHasSections(layout->kind)) {
    return TBU_OK;
  }

  ReadControllerValue(client, uint64_t{layout->base0} + kBase1PointerOffset, 4, scratch);
  layout->base1 = layout->base0 + ReadLittleEndian(scratch, 4);
  layout->base1State = NvmBaseState::kFound;

  ReadControllerValue(client, uint64_t{layout->base0} + kSectionFlagsOffset, 1, scratch);
  const uint8_t flags = scratch[0];
  if ((flags & kFlagHasBlocks) == 0) {
    return TBU_OK;
  }

  ReadControllerValue(client, uint64_t{layout->base0} + kBlockChainOffset, 2, scratch);
  uint32_t q = layout->base0 + ReadLittleEndian(scratch, 2);
  for (uint8_t blockFlag : kBlockFlags) {
    if ((flags & blockFlag) != 0) {
      ReadControllerValue(client, q, 2, scratch);
      q += 4 * ReadLittleEndian(scratch, 2) + 2;
    }
  }
  layout->base2 = q;
  layout->base2State = NvmBaseState::kFound;
  return TBU_OK;
}

UpdateResult CheckFirmwareImage(CTbtWmiClient& client, const uint8_t* image, size_t size,
                                uint32_t* imageVersion, NvmCheckDetail* detail) {
  NvmCheckDetail unused;
  NvmCheckDetail& why = detail != nullptr ? *detail : unused;
  why = NvmCheckDetail{};
  NvmLayout controller;
  const UpdateResult controllerResult = ReadControllerLayout(client, &controller);
  if (controllerResult != TBU_OK) {
    return controllerResult;
  }
  if (controller.kind == 0) {
    return TBU_E_UNSUPPORTED_CONTROLLER;
  }

  NvmLayout imageLayout;
  const UpdateResult imageResult = ReadImageLayout(image, size, &imageLayout, &why.imageVersion);
  if (imageResult != TBU_OK) {
    return imageResult;
  }
  if (controller.kind != imageLayout.kind) {
    return TBU_E_KIND_MISMATCH;
  }
  if (controller.variant != imageLayout.variant) {
    return TBU_E_VARIANT_MISMATCH;
  }

  // The scratch word carries over from row to row, so a failed read compares the
  // previous row's bytes, as a device that stopped answering would.
  uint8_t scratch[4] = {};
  ReadControllerValue(client, controller.base0, 2, scratch);
  const std::span<const uint8_t> imageBytes(image, image == nullptr ? 0 : size);
  const std::optional<uint32_t> imageHeader =
      ReadLittleEndianAt(imageBytes, uint64_t{imageLayout.base0} + kHeaderLevelOffset, 1);
  if (!imageHeader) {
    return TBU_E_NO_IMAGE;
  }
  if ((scratch[0] & kHeaderLevelMask) < (*imageHeader & kHeaderLevelMask)) {
    return TBU_E_HEADER_LEVEL;
  }

  for (size_t index = 0; index < kNvmCheckTable.size(); ++index) {
    const NvmCheckEntry& row = kNvmCheckTable[index];
    if (!NvmCheckRowApplies(row, controller)) {
      continue;
    }
    uint32_t controllerBase = 0;
    uint32_t imageBase = 0;
    const bool controllerHasBase =
        SelectBase(controller, row.base, &controllerBase) != NvmBaseState::kAbsent;
    const NvmBaseState imageBaseState = SelectBase(imageLayout, row.base, &imageBase);
    const bool imageHasBase = imageBaseState != NvmBaseState::kAbsent;
    if (!controllerHasBase && !imageHasBase) {
      // Neither side carries the optional blocks, so there is nothing to compare.
      continue;
    }
    why.failedRow = static_cast<int>(index);
    if (controllerHasBase) {
      why.controllerOffset = controllerBase + row.offset;
    }
    if (imageBaseState == NvmBaseState::kFound) {
      why.imageOffset = imageBase + row.offset;
    }
    if (controllerHasBase != imageHasBase) {
      // One side has the optional blocks and the other has not: their rows cannot agree.
      return TBU_E_REGION_MISMATCH;
    }

    ReadControllerValue(client, uint64_t{controllerBase} + row.offset, row.length, scratch);
    why.controllerValue =
        ApplyMask(KeepLowBytes(ReadLittleEndian(scratch, 4), row.length), row.mask);
    const std::optional<uint32_t> imageValue =
        imageBaseState == NvmBaseState::kFound
            ? ReadLittleEndianAt(imageBytes, uint64_t{imageBase} + row.offset, kRegionReadSize)
            : std::nullopt;
    if (!imageValue) {
      // This row's four image bytes (or the walk to its base) lie past the image's end.
      return TBU_E_NO_IMAGE;
    }
    why.imageValue = ApplyMask(KeepLowBytes(*imageValue, row.length), row.mask);
    if (why.controllerValue != why.imageValue) {
      return TBU_E_REGION_MISMATCH;
    }
    const std::optional<uint32_t> version = why.imageVersion;
    why = NvmCheckDetail{};
    why.imageVersion = version;
  }

  if (imageVersion != nullptr) {
    *imageVersion = imageLayout.version;
  }
  return TBU_OK;
}

}  // namespace tbt
