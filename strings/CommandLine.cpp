#include "strings/CommandLine.h"

#include <limits>

#include "platform/Utf16.h"

namespace tbt::strings {
namespace {

constexpr std::u16string_view kDowngradableSwitch = u"/downgradable";

bool IsWhiteSpace(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') {
    return c - u'0';
  }
  if (c >= u'a' && c <= u'f') {
    return c - u'a' + 10;
  }
  if (c >= u'A' && c <= u'F') {
    return c - u'A' + 10;
  }
  return -1;
}

// "/LID:" followed by at least one character: characters 1 to 3 spell LID in any case
// and character 4 is the colon.
bool IsLanguageSwitch(std::u16string_view arg) {
  return arg.size() > 5 && EqualsIgnoreAsciiCase(arg.substr(1, 3), u"LID") && arg[4] == u':';
}

}  // namespace

int32_t Wcstol16(std::u16string_view text) {
  size_t pos = 0;
  while (pos < text.size() && IsWhiteSpace(text[pos])) {
    ++pos;
  }
  bool negative = false;
  if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
    negative = text[pos] == u'-';
    ++pos;
  }
  // The prefix counts only when a hex digit follows; "0x" alone reads as the digit 0.
  if (text.size() - pos >= 3 && text[pos] == u'0' &&
      (text[pos + 1] == u'x' || text[pos + 1] == u'X') && HexDigitValue(text[pos + 2]) >= 0) {
    pos += 2;
  }
  // The magnitude saturates one past INT32_MAX, which is enough to tell every overflow.
  constexpr uint64_t kLimit = uint64_t{1} << 31;
  uint64_t magnitude = 0;
  for (; pos < text.size(); ++pos) {
    const int digit = HexDigitValue(text[pos]);
    if (digit < 0) {
      break;
    }
    magnitude = magnitude * 16 + static_cast<uint64_t>(digit);
    if (magnitude > kLimit) {
      magnitude = kLimit + 1;
    }
  }
  if (negative) {
    return magnitude >= kLimit ? std::numeric_limits<int32_t>::min()
                               : -static_cast<int32_t>(magnitude);
  }
  return magnitude >= kLimit ? std::numeric_limits<int32_t>::max()
                             : static_cast<int32_t>(magnitude);
}

bool ReadCommandLine(int argc, const char16_t* const* argv, int32_t* downgradeAllowed,
                     uint16_t* langId) {
  if (argc <= 1 || argv == nullptr) {
    return true;
  }
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr || argv[i][0] != u'/') {
      continue;
    }
    const std::u16string_view arg(argv[i]);
    if (EqualsIgnoreAsciiCase(arg, kDowngradableSwitch)) {
      if (downgradeAllowed != nullptr) {
        *downgradeAllowed = 1;
      }
    } else if (IsLanguageSwitch(arg)) {
      if (langId != nullptr) {
        *langId = static_cast<uint16_t>(static_cast<uint32_t>(Wcstol16(arg.substr(5))) & 0xFFFF);
      }
    }
  }
  return true;
}

WideArguments::WideArguments(int argc, const char* const* argv) {
  for (int i = 0; i < argc && argv != nullptr; ++i) {
    strings_.push_back(argv[i] != nullptr ? ToUtf16(argv[i]) : std::u16string());
  }
  pointers_.reserve(strings_.size() + 1);
  for (const auto& s : strings_) {
    pointers_.push_back(s.c_str());
  }
  // Like main()'s argv, the array ends with a null pointer.
  pointers_.push_back(nullptr);
}

}  // namespace tbt::strings
