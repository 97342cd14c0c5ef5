#include "strings/BuiltInTexts.h"

#include <algorithm>
#include <utility>

namespace tbt::strings {

namespace {

// {key, text} pairs of the English section, generated at configure time.
constexpr std::pair<std::u16string_view, std::u16string_view> kBuiltInTexts[] = {
#include "BuiltInTexts.inc"
};

char16_t FoldAscii(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

}  // namespace

std::u16string_view BuiltInText(std::u16string_view key) {
  for (const auto& [name, text] : kBuiltInTexts) {
    if (name.size() == key.size() &&
        std::equal(name.begin(), name.end(), key.begin(),
                   [](char16_t a, char16_t b) { return FoldAscii(a) == FoldAscii(b); })) {
      return text;
    }
  }
  return {};
}

}  // namespace tbt::strings
