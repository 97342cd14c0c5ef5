#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/NvmSectionLayout.h"
#include "update/ResultCodes.h"

namespace tbt {

class CTbtWmiClient;

/// What the check learns about one side (controller or image).
struct NvmLayout {
  uint32_t version = 0;
  int32_t kind = -1;
  uint32_t variant = 0;
  uint32_t base0 = 0;
  uint32_t base1 = 0;
  uint32_t base2 = 0;
  bool hasBase1 = false;
  bool hasBase2 = false;
};

/// One row of the region table.
struct NvmCheckEntry {
  uint32_t kind;
  uint32_t flag;
  uint32_t offset;
  uint32_t length;
  char16_t name[20];
  uint32_t mask;
  uint32_t base;
};

inline constexpr size_t kNvmCheckTableRows = 54;
extern const std::array<NvmCheckEntry, kNvmCheckTableRows> kNvmCheckTable;

/// Whether the check compares `row` for a controller of this kind and variant.
bool NvmCheckRowApplies(const NvmCheckEntry& row, const NvmLayout& controller);

/// Sets layout->kind and layout->variant from a device identifier; returns TBU_OK or
/// TBU_E_UNKNOWN_DEVICE (layout untouched).
UpdateResult DeviceIdToKind(uint16_t deviceId, NvmLayout* layout);

/// Reads `length` controller bytes at `offset` in aligned 4-byte words.
UpdateResult ReadNvmBytes(CTbtWmiClient& client, uint32_t offset, uint32_t length,
                          uint8_t* destination);

/// Finds the image's section pointer: the one at offset 0, or the copy at 0x1000 when
/// the first is 0 or 0xFFFFFF. Sets *pointer (and *foundAt, when given, to the offset
/// it came from); TBU_E_NO_IMAGE when neither is usable or the image is too short.
UpdateResult ReadSectionPointer(const uint8_t* image, size_t size, uint32_t* pointer,
                                uint32_t* foundAt = nullptr);

/// Fills *layout from the image bytes; never reads outside image[0..size).
UpdateResult ReadImageLayout(const uint8_t* image, size_t size, NvmLayout* layout);

/// Fills *layout from the controller.
UpdateResult ReadControllerLayout(CTbtWmiClient& client, NvmLayout* layout);

/// Compares the image with the controller; on success *imageVersion is the image's
/// version. `failedRow` (optional) receives the index of the mismatching row.
UpdateResult CheckFirmwareImage(CTbtWmiClient& client, const uint8_t* image, size_t size,
                                uint32_t* imageVersion, int* failedRow = nullptr);

}  // namespace tbt
