#pragma once

// ASCII-only case folding, as names of sections, keys, classes, namespaces, sysfs
// attributes and file suffixes are compared. Inline: the provider compares names on
// every call.

#include <string_view>

namespace tbt {

/// `c` with A-Z folded to a-z; every other unit unchanged.
template <typename Char>
constexpr Char ToLowerAscii(Char c) {
  return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

namespace detail {
template <typename Char>
constexpr bool EqualsIgnoreAsciiCase(std::basic_string_view<Char> a,
                                     std::basic_string_view<Char> b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (ToLowerAscii(a[i]) != ToLowerAscii(b[i])) {
      return false;
    }
  }
  return true;
}
}  // namespace detail

/// Whether `a` and `b` are equal once A-Z are folded to a-z.
constexpr bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b) {
  return detail::EqualsIgnoreAsciiCase(a, b);
}
constexpr bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  return detail::EqualsIgnoreAsciiCase(a, b);
}

/// Whether `text` starts with `prefix`, ignoring ASCII case.
constexpr bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

/// Whether `text` ends with `suffix`, ignoring ASCII case.
constexpr bool EndsWithIgnoreAsciiCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsIgnoreAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace tbt
