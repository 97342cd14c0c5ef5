#pragma once

#include <string>
#include <string_view>

namespace tbt {

/// UTF-8 to UTF-16; an invalid byte sequence becomes U+FFFD.
std::u16string ToUtf16(std::string_view utf8);

/// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view utf16);

/// ASCII-only case-insensitive comparison, as names of sections, keys, classes and
/// namespaces are compared.
bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);

}  // namespace tbt
