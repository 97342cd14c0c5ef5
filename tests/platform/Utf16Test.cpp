#include "platform/Utf16.h"

#include <gtest/gtest.h>

#include <string>

namespace tbt {
namespace {

struct RoundTrip {
  const char* utf8;
  std::u16string utf16;
};

class Utf16RoundTripTest : public testing::TestWithParam<RoundTrip> {};

TEST_P(Utf16RoundTripTest, ConvertsBothWays) {
  const RoundTrip& row = GetParam();
  EXPECT_EQ(ToUtf16(row.utf8), row.utf16);
  EXPECT_EQ(ToUtf8(row.utf16), row.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf16RoundTripTest,
    testing::Values(RoundTrip{"", u""}, RoundTrip{"\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
                    RoundTrip{"\xE5\xBE\xAE\xE8\xBB\x9F\xE6\xAD\xA3\xE9\xBB\x91\xE9\xAB\x94",
                              u"\u5FAE\u8EDF\u6B63\u9ED1\u9AD4"},
                    RoundTrip{"\xF0\x9F\x94\x8C", u"\U0001F50C"}));

TEST(Utf16Test, MalformedTextBecomesReplacementWithoutReadingPastTheEnd) {
  EXPECT_EQ(ToUtf16("a\xE5\xBE"), u"a\uFFFD");
  EXPECT_EQ(ToUtf16("\xFF"
                    "b"),
            u"\uFFFDb");
  EXPECT_EQ(ToUtf16("\xC0\x80"), u"\uFFFD");      // overlong NUL
  EXPECT_EQ(ToUtf16("\xED\xA0\x80"), u"\uFFFD");  // encoded surrogate
  EXPECT_EQ(ToUtf16("\xC3"
                    "a"),
            u"\uFFFDa");  // lead byte without its continuation
  // An unpaired surrogate in UTF-16.
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf8(std::u16string{char16_t{0xDC00}, u'x'}), "\xEF\xBF\xBDx");
}

TEST(Utf16Test, ComparesAsciiLettersWithoutRegardToCase) {
  EXPECT_TRUE(EqualsIgnoreAsciiCase(u"SdkTbtController", u"sdktbtcontroller"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase(u"Language", u"Languag"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase(u"[", u"{"));  // 0x5B and 0x7B differ by 32 but are no letters
}

}  // namespace
}  // namespace tbt
