#include "dialog/ResultMessage.h"

#include <cstdio>

#include "platform/Utf16.h"

namespace tbt::ui {

namespace {

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

}  // namespace

std::u16string_view CutWithoutSplittingPair(std::u16string_view text, std::size_t maxUnits) {
  if (text.size() <= maxUnits) {
    return text;
  }
  std::size_t keep = maxUnits;
  if (keep > 0 && IsHighSurrogate(text[keep - 1])) {
    --keep;
  }
  return text.substr(0, keep);
}

std::u16string ComposeResultMessage(UpdateResult result, const TextLookup& lookup) {
  const std::size_t maxUnits = kMessageCapacity - 1;
  switch (result) {
    case TBU_OK:
      return std::u16string(
          CutWithoutSplittingPair(lookup(u"IDS_SUCCESS", kMessageCapacity), maxUnits));
    case TBU_E_WMI_FAILED:
      return std::u16string(
          CutWithoutSplittingPair(lookup(u"IDS_FIND_NO_SW", kMessageCapacity), maxUnits));
    case TBU_E_DOWNGRADE:
      return std::u16string(
          CutWithoutSplittingPair(lookup(u"IDS_DOWNGRADE", kMessageCapacity), maxUnits));
    default:
      break;
  }
  char code[32];
  std::snprintf(code, sizeof code, " (0X%08X)", static_cast<unsigned>(result));
  const std::u16string suffix = ToUtf16(code);
  const std::u16string errorText = lookup(u"IDS_ERROR", kMessageCapacity);
  std::u16string message(CutWithoutSplittingPair(errorText, maxUnits - suffix.size()));
  message += suffix;
  return message;
}

}  // namespace tbt::ui
