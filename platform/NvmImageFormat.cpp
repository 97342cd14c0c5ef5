#include "platform/NvmImageFormat.h"

#include <utility>

#include "platform/NvmSectionLayout.h"

namespace tbt {

std::optional<SectionPointer> FindSectionPointer(std::span<const uint8_t> image) {
  for (uint32_t offset : {kSectionPointerOffset, kSectionPointerCopyOffset}) {
    const std::optional<uint32_t> value = ReadLittleEndianAt(image, offset, kSectionPointerSize);
    if (!value) {
      return std::nullopt;
    }
    if (*value != 0 && *value != kErasedSectionPointer) {
      return SectionPointer{*value, offset};
    }
  }
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> NvmSpaceFromImage(std::span<const uint8_t> image) {
  const std::optional<SectionPointer> pointer = FindSectionPointer(image);
  if (!pointer) {
    return std::nullopt;
  }
  if (pointer->value >= image.size()) {
    return std::vector<uint8_t>{};
  }
  return std::vector<uint8_t>(image.begin() + pointer->value, image.end());
}

std::vector<uint8_t> ControllerNvmFromFile(std::vector<uint8_t> bytes) {
  std::optional<std::vector<uint8_t>> space = NvmSpaceFromImage(bytes);
  if (space && !space->empty()) {
    return std::move(*space);
  }
  return bytes;
}

}  // namespace tbt
