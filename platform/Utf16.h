#pragma once

#include <string>
#include <string_view>

#include "platform/AsciiCase.h"  // EqualsIgnoreAsciiCase, used with these texts

namespace tbt {

/// UTF-8 to UTF-16; an invalid byte sequence becomes U+FFFD.
std::u16string ToUtf16(std::string_view utf8);

/// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view utf16);

}  // namespace tbt
