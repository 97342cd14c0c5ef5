// Fuzzes the INI reader: any file bytes decode, every value found lies inside the text,
// and a copy into the fixed-size text buffers always ends inside them with a zero.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "fuzz/FuzzRequire.h"
#include "strings/IniFile.h"

namespace {

bool Inside(std::u16string_view part, std::u16string_view text) {
  return part.empty() ||
         (part.data() >= text.data() && part.data() + part.size() <= text.data() + text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tbt::strings;
  using tbt::fuzz::Require;
  const std::u16string decoded = DecodeIniText(std::span<const uint8_t>(data, size));
  const std::u16string_view text = decoded;
  // The sections the program reads, and one named by the file's own first line.
  const std::u16string_view firstLine = text.substr(0, text.find(u'\n'));
  for (std::u16string_view section :
       {std::u16string_view(u"Language"), std::u16string_view(u"English"), firstLine}) {
    for (std::u16string_view key : IniKeyNames(text, section)) {
      Require(Inside(key, text));
      const auto value = FindIniValue(text, section, key);
      Require(value.has_value() && Inside(*value, text));
      char16_t buffer[8];
      const size_t copied = CopyTruncated(*value, buffer, std::size(buffer));
      Require(copied < std::size(buffer) && buffer[copied] == 0 && copied <= value->size());
    }
  }
  return 0;
}
