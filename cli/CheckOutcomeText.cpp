#include "cli/CheckOutcomeText.h"

#include <cstdio>

#include "platform/Utf16.h"

namespace tbt::cli {
namespace {

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

const NvmCheckEntry* FailedRow(const NvmCheckDetail& detail) {
  if (detail.failedRow < 0 || static_cast<size_t>(detail.failedRow) >= kNvmCheckTable.size()) {
    return nullptr;
  }
  return &kNvmCheckTable[static_cast<size_t>(detail.failedRow)];
}

// A compared value as wide as the row's region.
std::optional<std::string> RegionBytes(const NvmCheckEntry& row, std::optional<uint32_t> value) {
  if (!value.has_value()) {
    return std::nullopt;
  }
  return Hex(*value, static_cast<int>(2 * row.length));
}

// Where one side's bytes came from, or why that side has none.
std::string OffsetText(std::optional<uint32_t> offset, const char* without) {
  return offset.has_value() ? Hex(*offset, 8) : std::string(without);
}

}  // namespace

std::string VersionText(std::optional<uint32_t> version) {
  return version.has_value() ? Hex(*version, 2) + " (" + std::to_string(*version) + ")"
                             : std::string("(not read)");
}

std::string RegionDetailText(UpdateResult result, const NvmCheckDetail& detail) {
  const NvmCheckEntry* row = FailedRow(detail);
  if (row == nullptr) {
    return std::string();
  }
  const bool pastEnd = result == TBU_E_NO_IMAGE;
  std::string text = "region:            \"" + ToUtf8(row->name) + "\" (row " +
                     std::to_string(detail.failedRow + 1) + " of the region table) " +
                     (pastEnd ? "lies past the image's end" : "differs") + "\n";
  const auto image = RegionBytes(*row, detail.imageValue);
  const auto controller = RegionBytes(*row, detail.controllerValue);
  if (image.has_value() || controller.has_value()) {
    text += "compared bytes:    image " + image.value_or("(not read)") + ", controller " +
            controller.value_or("(not read)") + " (mask " + Hex(row->mask & 0xFFu, 2) + ")\n";
  }
  // A side without an offset lacks the optional blocks that base 2 follows, or (the
  // image) ends before the walk that finds them.
  const char* imageWithout =
      pastEnd ? "past the image's end" : "none (no optional blocks in the image)";
  text += "offsets read:      image " + OffsetText(detail.imageOffset, imageWithout) +
          ", controller " +
          OffsetText(detail.controllerOffset, "none (no optional blocks on the controller)") + "\n";
  return text;
}

JsonObject& AddRegionJson(JsonObject& json, const NvmCheckDetail& detail) {
  const NvmCheckEntry* row = FailedRow(detail);
  if (row == nullptr) {
    return json.Raw("region", "null").Raw("region_detail", "null");
  }
  const std::string name = ToUtf8(row->name);
  const auto image = RegionBytes(*row, detail.imageValue);
  const auto controller = RegionBytes(*row, detail.controllerValue);
  const std::string regionDetail = JsonObject()
                                       .Number("row", static_cast<uint64_t>(detail.failedRow + 1))
                                       .String("name", name)
                                       .Number("base", row->base)
                                       .Number("length", row->length)
                                       .String("mask", Hex(row->mask & 0xFFu, 2))
                                       .String("image", image)
                                       .String("controller", controller)
                                       .Number("image_offset", detail.imageOffset)
                                       .Number("controller_offset", detail.controllerOffset)
                                       .Text();
  return json.String("region", name).Raw("region_detail", regionDetail);
}

}  // namespace tbt::cli
