#include "cli/ImageDescription.h"

#include <cstdio>

#include "cli/CheckOutcomeText.h"
#include "cli/CliFiles.h"
#include "cli/Json.h"
#include "platform/NvmImageFormat.h"
#include "platform/NvmSectionLayout.h"
#include "platform/Utf16.h"

namespace tbt::cli {
namespace {

uint32_t LowBytes(uint32_t value, uint32_t length) {
  return length >= 4 ? value : value & ((1u << (8 * length)) - 1);
}

std::string Hex(uint64_t value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

}  // namespace

ImageDescription DescribeImage(const std::vector<uint8_t>& image) {
  ImageDescription description;
  description.pointerAtZero = ReadLittleEndianAt(image, kSectionPointerOffset, kSectionPointerSize);
  description.pointerCopy =
      ReadLittleEndianAt(image, kSectionPointerCopyOffset, kSectionPointerSize);
  if (const std::optional<SectionPointer> found = FindSectionPointer(image)) {
    const uint32_t pointer = found->value;
    description.pointer = pointer;
    description.pointerFoundAt = found->foundAt;
    description.version = ReadLittleEndianAt(image, uint64_t{pointer} + kVersionOffset, 1);
    if (auto id = ReadLittleEndianAt(image, uint64_t{pointer} + kDeviceIdOffset, kDeviceIdSize)) {
      description.deviceId = static_cast<uint16_t>(*id);
    }
    if (auto level = ReadLittleEndianAt(image, uint64_t{pointer} + kHeaderLevelOffset, 1)) {
      description.headerLevel = static_cast<uint8_t>(*level & kHeaderLevelMask);
    }
    if (auto flags = ReadLittleEndianAt(image, uint64_t{pointer} + kSectionFlagsOffset, 1)) {
      description.sectionFlags = static_cast<uint8_t>(*flags);
    }
  }
  description.result = ReadImageLayout(image.data(), image.size(), &description.layout);
  if (description.result != TBU_OK) {
    return description;
  }

  const NvmLayout& layout = description.layout;
  for (size_t index = 0; index < kNvmCheckTable.size(); ++index) {
    const NvmCheckEntry& row = kNvmCheckTable[index];
    const NvmBaseState state = row.base == 2   ? layout.base2State
                               : row.base == 1 ? layout.base1State
                                               : NvmBaseState::kFound;
    if (!NvmCheckRowApplies(row, layout) || state == NvmBaseState::kAbsent) {
      continue;
    }
    const uint32_t base = row.base == 2   ? layout.base2
                          : row.base == 1 ? layout.base1
                                          : layout.base0;
    ImageRegion region;
    region.row = index;
    region.name = ToUtf8(row.name);
    region.offset = row.offset;
    region.length = row.length;
    region.mask = row.mask;
    region.base = row.base;
    if (state == NvmBaseState::kFound) {
      region.imageOffset = uint64_t{base} + row.offset;
      // The check reads four bytes whatever the length, so the value needs all four.
      if (auto value = ReadLittleEndianAt(image, *region.imageOffset, 4)) {
        region.value = LowBytes(*value, row.length);
      }
    }
    description.regions.push_back(region);
  }
  return description;
}

std::string FormatImageText(const ImageDescription& d) {
  std::string text;
  auto line = [&](const char* label, const std::string& value) {
    char padded[32];
    std::snprintf(padded, sizeof padded, "%-19s", label);
    text += padded + value + "\n";
  };
  auto optionalHex = [](const auto& value, int digits) {
    return value.has_value() ? Hex(*value, digits) : std::string("(not in the image)");
  };
  // Both stored pointers, and which one the check follows.
  auto pointerText = [&](const std::optional<uint32_t>& stored, uint32_t at) {
    if (!stored.has_value()) {
      return std::string("(not in the image)");
    }
    std::string note;
    if (d.pointerFoundAt == at) {
      note = " (used by the check)";
    } else if (*stored == 0 || *stored == kErasedSectionPointer) {
      note = " (erased)";
    }
    return Hex(*stored, 6) + note;
  };
  line("pointer at 0x0:", pointerText(d.pointerAtZero, kSectionPointerOffset));
  line("pointer at 0x1000:", pointerText(d.pointerCopy, kSectionPointerCopyOffset));
  if (!d.pointer.has_value()) {
    line("section pointer:", "none at 0x0 or 0x1000");
  }
  line("device id:", optionalHex(d.deviceId, 4));
  line("version:", d.version.has_value() ? VersionText(d.version) : "(not in the image)");
  line("header level:", d.headerLevel.has_value() ? std::to_string(*d.headerLevel)
                                                  : std::string("(not in the image)"));
  line("section flags:", optionalHex(d.sectionFlags, 2));
  if (d.result == TBU_OK) {
    auto baseText = [](uint32_t base, NvmBaseState state) {
      return state == NvmBaseState::kFound          ? Hex(base, 8)
             : state == NvmBaseState::kPastImageEnd ? std::string("past the image's end")
                                                    : std::string("none");
    };
    line("kind:", std::to_string(d.layout.kind));
    line("variant:", std::to_string(d.layout.variant));
    line("base0:", Hex(d.layout.base0, 8));
    line("base1:", baseText(d.layout.base1, d.layout.base1State));
    line("base2:", baseText(d.layout.base2, d.layout.base2State));
    text += "regions compared by the check:\n";
    for (const ImageRegion& region : d.regions) {
      char row[160];
      std::snprintf(
          row, sizeof row, "  %-16s base%u+0x%04X at %s  %u byte%s  mask 0x%02X  %s\n",
          region.name.c_str(), region.base, region.offset,
          region.imageOffset.has_value() ? Hex(*region.imageOffset, 8).c_str() : "(unknown) ",
          region.length, region.length == 1 ? " " : "s", region.mask,
          region.value.has_value() ? Hex(*region.value, 2 * region.length).c_str()
                                   : "outside the image");
      text += row;
    }
  }
  line("result:", ResultCodeText(d.result) +
                      (d.result == TBU_OK ? std::string()
                                          : ": " + std::string(ResultCodeDescription(d.result))));
  return text;
}

std::string FormatImageJson(const ImageDescription& d) {
  const bool parsed = d.result == TBU_OK;
  std::string regions = "[";
  for (const ImageRegion& region : d.regions) {
    if (regions.size() > 1) {
      regions += ", ";
    }
    regions += JsonObject()
                   .String("name", region.name)
                   .Number("base", region.base)
                   .Number("offset", region.offset)
                   .Number("image_offset", region.imageOffset)
                   .Number("length", region.length)
                   .Number("mask", region.mask)
                   .Number("value", region.value)
                   .Text();
  }
  regions += "]";
  auto when = [parsed](uint64_t value, bool present = true) {
    return parsed && present ? std::optional<uint64_t>(value) : std::nullopt;
  };
  return JsonObject()
      .Result(d.result)
      .Number("pointer", d.pointer)
      .Number("pointer_at", d.pointerFoundAt)
      .Number("pointer_at_0", d.pointerAtZero)
      .Number("pointer_at_1000", d.pointerCopy)
      .Number("device_id", d.deviceId)
      .Number("version", d.version)
      .Number("header_level", d.headerLevel)
      .Number("section_flags", d.sectionFlags)
      .Number("kind", when(static_cast<uint64_t>(d.layout.kind)))
      .Number("variant", when(d.layout.variant))
      .Number("base0", when(d.layout.base0))
      .Number("base1", when(d.layout.base1, d.layout.base1State == NvmBaseState::kFound))
      .Number("base2", when(d.layout.base2, d.layout.base2State == NvmBaseState::kFound))
      .Raw("regions", regions)
      .Text();
}

}  // namespace tbt::cli
