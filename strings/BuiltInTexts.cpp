#include "strings/BuiltInTexts.h"

#include <utility>

#include "platform/AsciiCase.h"

namespace tbt::strings {

namespace {

// {key, text} pairs of the English section, generated at configure time.
constexpr std::pair<std::u16string_view, std::u16string_view> kBuiltInTexts[] = {
#include "BuiltInTexts.inc"
};

}  // namespace

std::u16string_view BuiltInText(std::u16string_view key) {
  for (const auto& [name, text] : kBuiltInTexts) {
    if (EqualsIgnoreAsciiCase(name, key)) {
      return text;
    }
  }
  return {};
}

}  // namespace tbt::strings
