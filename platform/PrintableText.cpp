#include "platform/PrintableText.h"

#include <cstdio>

#include "platform/Utf16.h"

namespace tbt::platform {

namespace {

// Calls `escape(code)` for each control character of the text made valid UTF-8 and
// `keep(byte run)` for everything else.
template <typename Escape, typename Keep>
void VisitControls(std::string_view bytes, Escape escape, Keep keep) {
  // A round trip through UTF-16 turns every invalid sequence into U+FFFD.
  const std::string valid = ToUtf8(ToUtf16(bytes));
  for (size_t i = 0; i < valid.size(); ++i) {
    const auto byte = static_cast<unsigned char>(valid[i]);
    // C1 controls (U+0080..U+009F) are encoded as 0xC2 0x80..0x9F.
    const bool c1 = byte == 0xC2 && i + 1 < valid.size() &&
                    static_cast<unsigned char>(valid[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(valid[i + 1]) <= 0x9F;
    if (byte < 0x20 || byte == 0x7F) {
      escape(byte);
    } else if (c1) {
      escape(static_cast<unsigned char>(valid[++i]));
    } else {
      keep(valid[i]);
    }
  }
}

std::string Format(const char* pattern, unsigned code) {
  char text[8];
  std::snprintf(text, sizeof text, pattern, code);
  return text;
}

}  // namespace

std::string JsonStringLiteral(std::string_view bytes) {
  std::string quoted = "\"";
  VisitControls(
      bytes,
      [&](unsigned code) {
        quoted += code == '\n' ? "\\n" : code == '\t' ? "\\t" : Format("\\u%04X", code);
      },
      [&](char c) {
        if (c == '"' || c == '\\') {
          quoted += '\\';
        }
        quoted += c;
      });
  return quoted + "\"";
}

std::string PrintableText(std::string_view bytes) {
  std::string text;
  VisitControls(
      bytes, [&](unsigned code) { text += Format("\\x%02X", code); }, [&](char c) { text += c; });
  return text;
}

}  // namespace tbt::platform
