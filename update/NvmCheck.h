#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/NvmSectionLayout.h"
#include "update/ResultCodes.h"

namespace tbt {

class CTbtWmiClient;

/// Whether a side has one of the bases that only some sides have.
enum class NvmBaseState : uint8_t {
  kAbsent,        // the side's kind or section flags say it has none
  kFound,         // the base's value is known
  kPastImageEnd,  // the image ends before the bytes that locate the base
};

/// What the check learns about one side (controller or image).
struct NvmLayout {
  uint32_t version = 0;
  int32_t kind = -1;
  uint32_t variant = 0;
  uint32_t base0 = 0;
  uint32_t base1 = 0;
  uint32_t base2 = 0;
  NvmBaseState base1State = NvmBaseState::kAbsent;
  NvmBaseState base2State = NvmBaseState::kAbsent;
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

/// Whether controllers of this kind have the sections at base1 and base2.
bool NvmKindHasSections(int32_t kind);

/// Whether the check compares `row` for a controller of this kind and variant.
bool NvmCheckRowApplies(const NvmCheckEntry& row, const NvmLayout& controller);

/// Sets layout->kind and layout->variant from a device identifier; returns TBU_OK or
/// TBU_E_UNKNOWN_DEVICE (layout untouched).
UpdateResult DeviceIdToKind(uint16_t deviceId, NvmLayout* layout);

/// Reads `length` controller bytes at `offset` in aligned 4-byte words.
UpdateResult ReadNvmBytes(CTbtWmiClient& client, uint32_t offset, uint32_t length,
                          uint8_t* destination);

/// Fills *layout from the image bytes; never reads outside image[0..size). TBU_E_NO_IMAGE
/// when the section pointer, the version byte or the device identifier lies outside the
/// image; a base whose locating bytes lie outside is marked kPastImageEnd instead, since
/// only a row that reads at that base needs it. `versionRead` (optional) gets the
/// version byte as soon as it was read, also when the image is then refused.
UpdateResult ReadImageLayout(const uint8_t* image, size_t size, NvmLayout* layout,
                             std::optional<uint32_t>* versionRead = nullptr);

/// Fills *layout from the controller.
UpdateResult ReadControllerLayout(CTbtWmiClient& client, NvmLayout* layout);

/// Why one check ended as it did, for reports that explain a refusal.
struct NvmCheckDetail {
  /// The image's version byte, as soon as it was read (also when the check then refuses).
  std::optional<uint32_t> imageVersion;
  /// Index into kNvmCheckTable of the row that ended the check; -1 when no row did.
  int failedRow = -1;
  /// Where that row was read: a ReadFirmware offset and an image offset. Absent for a
  /// side that has no such base.
  std::optional<uint32_t> controllerOffset;
  std::optional<uint32_t> imageOffset;
  /// The compared values after the length cut and the mask. Absent for a side that was
  /// not read (no such base, or the image ends before the row).
  std::optional<uint32_t> controllerValue;
  std::optional<uint32_t> imageValue;
};

/// Compares the image with the controller; on success *imageVersion is the image's
/// version. `detail` (optional) is filled on every path.
UpdateResult CheckFirmwareImage(CTbtWmiClient& client, const uint8_t* image, size_t size,
                                uint32_t* imageVersion, NvmCheckDetail* detail = nullptr);

}  // namespace tbt
