#pragma once

// The English texts carried inside the program, used for any text that
// data/Update.ini does not give.

#include <string_view>

namespace tbt::strings {

/// The built-in English text of `key` ("IDS_UPDATE"), matched without regard to case;
/// empty for a key the program does not know.
std::u16string_view BuiltInText(std::u16string_view key);

}  // namespace tbt::strings
