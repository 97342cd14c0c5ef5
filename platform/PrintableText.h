#pragma once

// Text that came from outside (sysfs attributes, file names) made safe to print: as a
// JSON string, or as text for a terminal. Any bytes are accepted.

#include <string>
#include <string_view>

namespace tbt::platform {

/// `bytes` as a JSON string literal, quotes included. Valid UTF-8 is kept, each invalid
/// sequence becomes U+FFFD, and '"', '\\' and control characters (C0, DEL and C1) are
/// escaped (\n and \t by name, the rest as \u00XX), so the result is always valid JSON.
std::string JsonStringLiteral(std::string_view bytes);

/// `bytes` for a line of text output: control characters (C0, DEL and C1) become \xNN
/// and each invalid UTF-8 sequence becomes U+FFFD, so the text cannot end the line,
/// move the cursor or send commands to the terminal.
std::string PrintableText(std::string_view bytes);

}  // namespace tbt::platform
