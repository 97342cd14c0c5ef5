#pragma once

// What `tbt-nvm info` tells about an image: where its sections are, which controller it
// is for, and the value of every region the check would compare.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "update/NvmCheck.h"

namespace tbt::cli {

/// One region of the region table as the image holds it.
struct ImageRegion {
  size_t row = 0;                       // index into kNvmCheckTable
  std::string name;                     // the row's name
  uint32_t offset = 0;                  // relative to the row's base
  std::optional<uint64_t> imageOffset;  // where the image holds it; absent when the
                                        // image ends before the walk that finds its base
  uint32_t length = 0;
  uint32_t mask = 0;
  uint32_t base = 0;
  std::optional<uint32_t> value;  // the row's low bytes; absent when outside the image
};

/// Everything `info` reports; fields the image does not reach stay empty.
struct ImageDescription {
  UpdateResult result = TBU_E_NO_IMAGE;  // the outcome of ReadImageLayout
  /// The pointer the check uses, and where it was found (0 or 0x1000).
  std::optional<uint32_t> pointer;
  std::optional<uint32_t> pointerFoundAt;
  /// Both stored pointers as the image holds them, blank or not.
  std::optional<uint32_t> pointerAtZero;
  std::optional<uint32_t> pointerCopy;
  std::optional<uint32_t> version;  // whenever the version byte lies inside the image
  std::optional<uint16_t> deviceId;
  std::optional<uint8_t> headerLevel;
  std::optional<uint8_t> sectionFlags;
  NvmLayout layout;
  std::vector<ImageRegion> regions;
};

/// Describes an image; never reads outside it.
ImageDescription DescribeImage(const std::vector<uint8_t>& image);

/// The description as readable lines.
std::string FormatImageText(const ImageDescription& description);

/// The description as one JSON object (without a line end).
std::string FormatImageJson(const ImageDescription& description);

}  // namespace tbt::cli
