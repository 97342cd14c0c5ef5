#include "update/NvmCheck.h"

#include <array>
#include <iterator>
#include <limits>
#include <optional>
#include <string_view>

#include "platform/ByteOrder.h"
#include "platform/NvmSectionLayout.h"
#include "update/TbtWmiClient.h"

namespace tbt {
namespace {

constexpr NvmCheckEntry Row(uint32_t kind, uint32_t flag, uint32_t offset, uint32_t length,
                            std::u16string_view name, uint32_t mask, uint32_t base) {
  NvmCheckEntry entry{kind, flag, offset, length, {}, mask, base};
  for (size_t i = 0; i < name.size() && i + 1 < std::size(entry.name); ++i) {
    entry.name[i] = name[i];
  }
  return entry;
}

// Erased flash: a section pointer of all ones is as blank as one of zeros.
constexpr uint32_t kBlankPointerErased = 0xFFFFFF;

constexpr int32_t kFirstKindWithSections = 3;
constexpr int32_t kLastKindWithSections = 5;

bool KindHasSections(int32_t kind) {
  return kind >= kFirstKindWithSections && kind <= kLastKindWithSections;
}

// Bounds-checked little-endian read of `width` image bytes at `offset`.
bool ReadImageValue(const uint8_t* image, size_t size, uint64_t offset, uint32_t width,
                    uint32_t* value) {
  if (image == nullptr || offset > size || width > size - offset) {
    return false;
  }
  *value = ReadLittleEndian(image + offset, width);
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

// The walk to base1 and base2 of an image whose kind has sections. A read that would
// fall outside the image does not refuse it here: it marks the base it locates, and only
// a compared row that needs that base refuses the image.
void LocateImageSections(const uint8_t* image, size_t size, NvmLayout* layout) {
  const uint64_t base0 = layout->base0;
  uint32_t base1Delta = 0;
  layout->base1State = ReadImageValue(image, size, base0 + kBase1PointerOffset, 4, &base1Delta) &&
                               AddOffset(base0, base1Delta, &layout->base1)
                           ? NvmBaseState::kFound
                           : NvmBaseState::kPastImageEnd;

  uint32_t flags = 0;
  if (!ReadImageValue(image, size, base0 + kSectionFlagsOffset, 1, &flags)) {
    layout->base2State = NvmBaseState::kPastImageEnd;
    return;
  }
  if ((flags & kFlagHasBlocks) == 0) {
    return;
  }
  uint32_t chainStart = 0;
  uint32_t q = 0;
  bool inside = ReadImageValue(image, size, base0 + kBlockChainOffset, 2, &chainStart) &&
                AddOffset(base0, chainStart, &q);
  for (uint8_t blockFlag : kBlockFlags) {
    uint32_t words = 0;
    if (inside && (flags & blockFlag) != 0) {
      inside =
          ReadImageValue(image, size, q, 2, &words) && AddOffset(q, uint64_t{4} * words + 2, &q);
    }
  }
  layout->base2 = inside ? q : 0;
  layout->base2State = inside ? NvmBaseState::kFound : NvmBaseState::kPastImageEnd;
}

// ReadImageLayout, also telling whether the version byte was read before a refusal.
UpdateResult ReadImageLayoutAndVersion(const uint8_t* image, size_t size, NvmLayout* layout,
                                       std::optional<uint32_t>* versionRead) {
  uint32_t pointer = 0;
  if (ReadSectionPointer(image, size, &pointer) != TBU_OK) {
    return TBU_E_NO_IMAGE;
  }
  layout->base0 = pointer;
  uint32_t version = 0;
  if (!ReadImageValue(image, size, uint64_t{pointer} + kVersionOffset, 1, &version)) {
    return TBU_E_NO_IMAGE;
  }
  layout->version = version;
  if (versionRead != nullptr) {
    *versionRead = version;
  }
  uint32_t deviceId = 0;
  if (!ReadImageValue(image, size, uint64_t{pointer} + kDeviceIdOffset, 2, &deviceId)) {
    return TBU_E_NO_IMAGE;
  }
  const UpdateResult mapped = DeviceIdToKind(static_cast<uint16_t>(deviceId), layout);
  if (mapped != TBU_OK) {
    return mapped;
  }
  if (KindHasSections(layout->kind)) {
    LocateImageSections(image, size, layout);
  }
  return TBU_OK;
}

}  // namespace

// Built from exactly the rows listed, so that a missing or extra row fails the size
// check below instead of being zero-filled.
constexpr auto kRegionRows = std::to_array<NvmCheckEntry>({
    Row(1, 1, 0x5, 2, u"Device ID", 0xFF, 0),
    Row(1, 1, 0x10, 4, u"PCIe Settings", 0xFF, 0),
    Row(1, 1, 0x143, 1, u"CIO-Port0_TX", 0xFF, 0),
    Row(1, 1, 0x153, 1, u"CIO-Port0_RX", 0xFF, 0),
    Row(1, 1, 0x147, 1, u"CIO-Port1_TX", 0xFF, 0),
    Row(1, 1, 0x157, 1, u"CIO-Port1_RX", 0xFF, 0),
    Row(1, 0, 0x14B, 1, u"CIO-Port2_TX", 0xFF, 0),
    Row(1, 0, 0x15B, 1, u"CIO-Port2_RX", 0xFF, 0),
    Row(1, 0, 0x14F, 1, u"CIO-Port3_TX", 0xFF, 0),
    Row(1, 0, 0x15F, 1, u"CIO-Port3_RX", 0xFF, 0),
    Row(1, 1, 0x211, 1, u"Snk0_0(DP-in)", 0xFF, 0),
    Row(1, 1, 0x215, 1, u"Snk0_1(DP-in)", 0xFF, 0),
    Row(1, 1, 0x219, 1, u"Snk0_2(DP-in)", 0xFF, 0),
    Row(1, 1, 0x21D, 1, u"Snk0_3(DP-in)", 0xFF, 0),
    Row(1, 0, 0x11C3, 1, u"Snk1_0(DP-in)", 0xFF, 0),
    Row(1, 0, 0x11C7, 1, u"Snk1_1(DP-in)", 0xFF, 0),
    Row(1, 0, 0x11CB, 1, u"Snk1_2(DP-in)", 0xFF, 0),
    Row(1, 0, 0x11CF, 1, u"Snk1_3(DP-in)", 0xFF, 0),
    Row(1, 1, 0x2175, 1, u"PA(DP-out)", 0xFF, 0),
    Row(1, 1, 0x2179, 1, u"PB(DP-out)", 0xFF, 0),
    Row(1, 1, 0x217D, 1, u"Src0(DP-out)", 0xAA, 0),
    Row(2, 1, 0x5, 2, u"Device ID", 0xFF, 0),
    Row(2, 1, 0x10, 4, u"PCIe Settings", 0xFF, 0),
    Row(2, 1, 0x14F, 1, u"CIO-Port0_TX", 0xFF, 0),
    Row(2, 1, 0x157, 1, u"CIO-Port0_RX", 0xFF, 0),
    Row(2, 1, 0x153, 1, u"CIO-Port1_TX", 0xFF, 0),
    Row(2, 1, 0x15B, 1, u"CIO-Port1_RX", 0xFF, 0),
    Row(2, 1, 0x1F1, 1, u"Snk0_0(DP-in)", 0xFF, 0),
    Row(2, 1, 0x1F5, 1, u"Snk0_1(DP-in)", 0xFF, 0),
    Row(2, 1, 0x1F9, 1, u"Snk0_2(DP-in)", 0xFF, 0),
    Row(2, 1, 0x1FD, 1, u"Snk0_3(DP-in)", 0xFF, 0),
    Row(2, 1, 0x11A5, 1, u"PA(DP-out)", 0xFF, 0),
    Row(3, 1, 0x5, 2, u"Device ID", 0xFF, 0),
    Row(3, 1, 0x10, 4, u"PCIe Settings", 0xFF, 0),
    Row(3, 1, 0x12, 1, u"PA", 0xCC, 2),
    Row(3, 0, 0x13, 1, u"PB", 0xCC, 2),
    Row(3, 1, 0x121, 1, u"Snk0", 0xFF, 0),
    Row(3, 1, 0x129, 1, u"Snk1", 0xFF, 0),
    Row(3, 1, 0x136, 1, u"Src0", 0xF0, 0),
    Row(3, 1, 0xB6, 1, u"PA/PB (USB2)", 0xC0, 0),
    Row(5, 1, 0x5, 2, u"Device ID", 0xFF, 0),
    Row(5, 1, 0x10, 4, u"PCIe Settings", 0xFF, 0),
    Row(5, 1, 0x12, 1, u"PA", 0xCC, 2),
    Row(5, 0, 0x13, 1, u"PB", 0xCC, 2),
    Row(5, 1, 0x121, 1, u"Snk0", 0xFF, 0),
    Row(5, 1, 0x129, 1, u"Snk1", 0xFF, 0),
    Row(5, 1, 0x136, 1, u"Src0", 0xF0, 0),
    Row(5, 1, 0xB6, 1, u"PA/PB (USB2)", 0xC0, 0),
    Row(4, 1, 0x5, 2, u"Device ID", 0xFF, 0),
    Row(4, 1, 0x10, 4, u"PCIe Settings", 0xFF, 0),
    Row(4, 1, 0x12, 1, u"PA", 0xCC, 2),
    Row(4, 0, 0x13, 1, u"PB", 0x44, 2),
    Row(4, 1, 0x121, 1, u"Snk0", 0xFF, 0),
    Row(4, 1, 0xB6, 1, u"PA/PB (USB2)", 0xC0, 0),
});
static_assert(kRegionRows.size() == kNvmCheckTableRows, "the region table has exactly 54 rows");
const std::array<NvmCheckEntry, kNvmCheckTableRows> kNvmCheckTable = kRegionRows;

bool NvmCheckRowApplies(const NvmCheckEntry& row, const NvmLayout& controller) {
  return static_cast<int64_t>(row.kind) == controller.kind &&
         (row.flag == 1 || controller.variant == 0);
}

UpdateResult DeviceIdToKind(uint16_t deviceId, NvmLayout* layout) {
  struct DeviceKind {
    uint16_t deviceId;
    int32_t kind;
    int32_t variant;  // kKeepVariant: the record's flag stays as it was
  };
  constexpr int32_t kKeepVariant = -1;
  constexpr std::array<DeviceKind, 15> kDevices{{
      {0x1567, 0, 1},
      {0x1569, 0, 0},
      {0x156B, 1, 1},
      {0x156D, 1, 0},
      {0x147E, 2, 1},
      {0x1576, 3, 1},
      {0x1578, 3, 0},
      {0x15BF, 4, 1},
      {0x15C0, 4, 1},
      {0x15DC, 4, kKeepVariant},
      {0x15D2, 5, 0},
      {0x15D3, 5, 0},
      {0x15D9, 5, 1},
      {0x15DA, 5, 1},
      {0x15DE, 5, kKeepVariant},
  }};
  for (const DeviceKind& device : kDevices) {
    if (device.deviceId != deviceId) {
      continue;
    }
    layout->kind = device.kind;
    if (device.variant != kKeepVariant) {
      layout->variant = static_cast<uint32_t>(device.variant);
    }
    return TBU_OK;
  }
  return TBU_E_UNKNOWN_DEVICE;
}

UpdateResult ReadNvmBytes(CTbtWmiClient& client, uint32_t offset, uint32_t length,
                          uint8_t* destination) {
  const uint32_t firstWord = offset & ~3u;
  // Computed wide so that a read near the top of the offset space cannot wrap around.
  const uint64_t end = static_cast<uint64_t>(offset) + length;
  // A length of 0 fails even at an unaligned offset, where the first word would still
  // lie below the end.
  if (length == 0 || firstWord >= end || end > uint64_t{std::numeric_limits<uint32_t>::max()} + 1) {
    return TBU_E_WMI_FAILED;
  }
  uint8_t scratch[4] = {};
  uint32_t skip = offset & 3u;
  uint32_t copied = 0;
  for (uint64_t word = firstWord; word < end; word += 4) {
    const UpdateResult result = client.ReadFirmware(static_cast<uint32_t>(word), 4, scratch);
    if (result != TBU_OK) {
      return result;
    }
    for (uint32_t i = skip; i < 4 && copied < length; ++i) {
      destination[copied++] = scratch[i];
    }
    skip = 0;
  }
  return TBU_OK;
}

UpdateResult ReadSectionPointer(const uint8_t* image, size_t size, uint32_t* pointer,
                                uint32_t* foundAt) {
  for (uint32_t offset : {kSectionPointerOffset, kSectionPointerCopyOffset}) {
    uint32_t value = 0;
    if (!ReadImageValue(image, size, offset, 3, &value)) {
      return TBU_E_NO_IMAGE;
    }
    if (value != 0 && value != kBlankPointerErased) {
      *pointer = value;
      if (foundAt != nullptr) {
        *foundAt = offset;
      }
      return TBU_OK;
    }
  }
  return TBU_E_NO_IMAGE;
}

UpdateResult ReadImageLayout(const uint8_t* image, size_t size, NvmLayout* layout) {
  return ReadImageLayoutAndVersion(image, size, layout, nullptr);
}

UpdateResult ReadControllerLayout(CTbtWmiClient& client, NvmLayout* layout) {
  layout->base0 = 0;
  const UpdateResult versionResult = client.GetCurrentNvmVersion(&layout->version);
  if (versionResult != TBU_OK) {
    return versionResult;
  }

  // One scratch word for every read: a failed read leaves the previous value in it.
  uint8_t scratch[4] = {};
  if (ReadNvmBytes(client, layout->base0 + kDeviceIdOffset, 2, scratch) == TBU_OK) {
    // An unknown controller keeps its starting kind and fails the kind comparison later.
    DeviceIdToKind(static_cast<uint16_t>(ReadLittleEndian(scratch, 2)), layout);
  }
  if (!KindHasSections(layout->kind)) {
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
  const UpdateResult imageResult =
      ReadImageLayoutAndVersion(image, size, &imageLayout, &why.imageVersion);
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
  uint32_t imageHeader = 0;
  if (!ReadImageValue(image, size, imageLayout.base0 + kHeaderLevelOffset, 1, &imageHeader)) {
    return TBU_E_NO_IMAGE;
  }
  if ((scratch[0] & 7u) < (imageHeader & 7u)) {
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
    uint32_t imageValue = 0;
    if (imageBaseState != NvmBaseState::kFound ||
        !ReadImageValue(image, size, uint64_t{imageBase} + row.offset, 4, &imageValue)) {
      // This row's four image bytes (or the walk to its base) lie past the image's end.
      return TBU_E_NO_IMAGE;
    }
    why.imageValue = ApplyMask(KeepLowBytes(imageValue, row.length), row.mask);
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
