#include "strings/IniFile.h"

#include <vector>

#include "platform/BoundedFile.h"
#include "platform/Utf16.h"

namespace tbt::strings {
namespace {

// The profile functions treat the DOS end-of-file mark like a blank.
bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f' ||
         c == 0x1A;
}

std::u16string_view TrimEnd(std::u16string_view text) {
  size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) {
    --end;
  }
  return text.substr(0, end);
}

std::u16string_view Trim(std::u16string_view text) {
  size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) {
    ++begin;
  }
  return TrimEnd(text.substr(begin));
}

// Windows removes one pair of double or single quotes around a value.
std::u16string_view Unquote(std::u16string_view value) {
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Calls `visit` with the trimmed name and value of each "name=value" line of the first
// section named `section`, until it returns false.
template <typename Visitor>
void VisitSectionEntries(std::u16string_view text, std::u16string_view section, Visitor&& visit) {
  section = Trim(section);
  bool inSection = false;
  size_t lineStart = 0;
  while (lineStart < text.size()) {
    size_t lineEnd = text.find_first_of(u"\r\n", lineStart);
    if (lineEnd == std::u16string_view::npos) {
      lineEnd = text.size();
    }
    const std::u16string_view line = Trim(text.substr(lineStart, lineEnd - lineStart));
    lineStart = lineEnd + 1;
    if (line.empty() || line.front() == u';') {
      continue;
    }
    if (line.front() == u'[') {
      const size_t close = line.rfind(u']');
      // A '[' line without ']' is no header; it is read as an ordinary line below.
      if (close != std::u16string_view::npos) {
        if (inSection) {
          // Only the first section of that name is searched.
          return;
        }
        inSection = EqualsIgnoreAsciiCase(Trim(line.substr(1, close - 1)), section);
        continue;
      }
    }
    if (!inSection) {
      continue;
    }
    const size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) {
      continue;
    }
    if (!visit(TrimEnd(line.substr(0, equals)), Trim(line.substr(equals + 1)))) {
      return;
    }
  }
}

std::u16string DecodeUtf16(std::span<const uint8_t> bytes, bool bigEndian) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  // Pairs only: a lone last byte of an odd-sized file carries no character.
  for (size_t i = 0; bytes.size() - i >= 2; i += 2) {
    const auto first = static_cast<char16_t>(bytes[i]);
    const auto second = static_cast<char16_t>(bytes[i + 1]);
    out.push_back(bigEndian ? static_cast<char16_t>((first << 8) | second)
                            : static_cast<char16_t>((second << 8) | first));
  }
  return out;
}

// Reads the whole file, or nothing when it is no regular file (a FIFO is never waited
// on) or too large to be an INI file this tool would ship.
std::optional<std::vector<uint8_t>> ReadFileBytes(std::u16string_view path) {
  std::vector<uint8_t> bytes;
  if (platform::ReadBoundedFile(ToUtf8(path), kMaxIniFileBytes, &bytes) !=
      platform::FileReadStatus::kOk) {
    return std::nullopt;
  }
  return bytes;
}

}  // namespace

std::u16string DecodeIniText(std::span<const uint8_t> bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    return DecodeUtf16(bytes.subspan(2), false);
  }
  if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    return DecodeUtf16(bytes.subspan(2), true);
  }
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    bytes = bytes.subspan(3);
  }
  return ToUtf16(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::optional<std::u16string_view> FindIniValue(std::u16string_view text,
                                                std::u16string_view section,
                                                std::u16string_view key) {
  key = Trim(key);
  std::optional<std::u16string_view> found;
  VisitSectionEntries(text, section, [&](std::u16string_view name, std::u16string_view value) {
    if (EqualsIgnoreAsciiCase(name, key)) {
      found = Unquote(value);
      return false;
    }
    return true;
  });
  return found;
}

std::vector<std::u16string_view> IniKeyNames(std::u16string_view text,
                                             std::u16string_view section) {
  std::vector<std::u16string_view> names;
  VisitSectionEntries(text, section, [&](std::u16string_view name, std::u16string_view) {
    names.push_back(name);
    return true;
  });
  return names;
}

size_t CopyTruncated(std::u16string_view text, char16_t* buffer, size_t capacity) {
  if (buffer == nullptr || capacity == 0) {
    return 0;
  }
  size_t count = text.size() < capacity - 1 ? text.size() : capacity - 1;
  // Keep the text valid UTF-16: a high surrogate whose partner is cut goes too.
  if (count > 0 && count < text.size() && text[count - 1] >= 0xD800 && text[count - 1] <= 0xDBFF &&
      text[count] >= 0xDC00 && text[count] <= 0xDFFF) {
    --count;
  }
  text.copy(buffer, count);
  buffer[count] = u'\0';
  return count;
}

size_t GetPrivateProfileString(std::u16string_view section, std::u16string_view key,
                               std::u16string_view defaultValue, char16_t* buffer, size_t capacity,
                               std::u16string_view path) {
  if (buffer == nullptr || capacity == 0) {
    return 0;
  }
  if (const auto bytes = ReadFileBytes(path)) {
    const std::u16string text = DecodeIniText(*bytes);
    if (const auto value = FindIniValue(text, section, key)) {
      return CopyTruncated(*value, buffer, capacity);
    }
  }
  return CopyTruncated(TrimEnd(defaultValue), buffer, capacity);
}

}  // namespace tbt::strings
