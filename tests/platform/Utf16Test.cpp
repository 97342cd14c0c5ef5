#include "platform/Utf16.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/PrintableText.h"

namespace tbt {
namespace {

TEST(Utf16Test, ConvertsBothWays) {
  const std::pair<const char*, std::u16string> cases[] = {
      {"", u""},
      {"\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
      {"\xE5\xBE\xAE\xE8\xBB\x9F\xE6\xAD\xA3\xE9\xBB\x91\xE9\xAB\x94",
       u"\u5FAE\u8EDF\u6B63\u9ED1\u9AD4"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},  // outside the BMP: a surrogate pair
  };
  for (const auto& [utf8, utf16] : cases) {
    EXPECT_EQ(ToUtf16(utf8), utf16) << platform::JsonStringLiteral(utf8);
    EXPECT_EQ(ToUtf8(utf16), utf8) << platform::JsonStringLiteral(utf8);
  }
}

TEST(Utf16Test, MalformedTextBecomesReplacementWithoutReadingPastTheEnd) {
  // Cut, stray, overlong NUL, encoded surrogate, lead byte without its continuation.
  const std::pair<std::string, std::u16string> cases[] = {
      {"a\xE5\xBE", u"a\uFFFD"},   {"\xFFz", u"\uFFFDz"}, {"\xC0\x80", u"\uFFFD"},
      {"\xED\xA0\x80", u"\uFFFD"}, {"\xC3z", u"\uFFFDz"},
  };
  for (const auto& [utf8, utf16] : cases) {
    EXPECT_EQ(ToUtf16(utf8), utf16) << platform::PrintableText(utf8);
  }
  // An unpaired surrogate in UTF-16.
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf8(std::u16string{char16_t{0xDC00}, u'x'}), "\xEF\xBF\xBDx");
}

TEST(Utf16Test, ComparesAsciiLettersWithoutRegardToCase) {
  EXPECT_TRUE(EqualsIgnoreAsciiCase(u"SdkTbtController", u"sdktbtcontroller"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase(u"Language", u"Languag"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase(u"[", u"{"));  // 0x5B and 0x7B differ by 32 but are no letters
}

// Sysfs attributes may hold any bytes: the JSON must stay valid and the text must not
// steer the terminal. (PrintableText builds on the round trip above.)
TEST(PrintableTextTest, EscapesControlsAndReplacesInvalidUtf8) {
  const struct {
    std::string bytes;
    std::string json;
    std::string text;
  } cases[] = {
      {"PA/PB (USB2) \xC3\xA9", "\"PA/PB (USB2) \xC3\xA9\"", "PA/PB (USB2) \xC3\xA9"},
      {"a\"b\\c", "\"a\\\"b\\\\c\"", "a\"b\\c"},
      {std::string("x\n\t\0\x1B[2J\x7F", 9), "\"x\\n\\t\\u0000\\u001B[2J\\u007F\"",
       "x\\x0A\\x09\\x00\\x1B[2J\\x7F"},
      {"\xC2\x9B"
       "1m",
       "\"\\u009B1m\"", "\\x9B1m"},  // the one-byte CSI of C1
      {"\xFF\xC3", "\"\xEF\xBF\xBD\xEF\xBF\xBD\"", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // stray, cut
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::JsonStringLiteral(c.bytes), c.json) << c.json;
    EXPECT_EQ(platform::PrintableText(c.bytes), c.text) << c.text;
  }
}

}  // namespace
}  // namespace tbt
