#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "TempFolder.h"
#include "app/strings/IniFile.h"

namespace tbt::app {
namespace {

std::u16string Decode(std::string_view bytes) {
  return DecodeIniText(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

// The same small file in every encoding the reader accepts, with text outside Latin-1
// and outside the basic plane.
constexpr std::u16string_view kText = u"[日本語]\r\nIDS_UPDATE=更新 \U0001F600\r\n";

struct EncodingCase {
  const char* name;
  std::string bytes;
};

std::string Utf8(std::u16string_view text) {
  return ToUtf8(text);
}

const EncodingCase kEncodingCases[] = {
    {"Utf8WithoutMark", Utf8(kText)},
    {"Utf8WithMark", "\xEF\xBB\xBF" + Utf8(kText)},
    {"Utf16LittleEndian", "\xFF\xFE" + test::Utf16Bytes(kText, false)},
    {"Utf16BigEndian", "\xFE\xFF" + test::Utf16Bytes(kText, true)},
};

void PrintTo(const EncodingCase& c, std::ostream* os) {
  *os << c.name;
}

class IniEncoding : public testing::TestWithParam<EncodingCase> {};

TEST_P(IniEncoding, DecodesToTheSameText) {
  EXPECT_EQ(Decode(GetParam().bytes), kText);
}

TEST_P(IniEncoding, FileLookupFindsTheValue) {
  test::TempFolder folder;
  const auto path = test::PathText(folder.Write("Update.ini", GetParam().bytes));
  std::u16string buffer(64, u'#');
  const size_t count =
      GetPrivateProfileString(u"日本語", u"ids_update", u"", buffer.data(), buffer.size(), path);
  EXPECT_EQ(buffer.substr(0, count), u"更新 \U0001F600");
}

INSTANTIATE_TEST_SUITE_P(Encodings, IniEncoding, testing::ValuesIn(kEncodingCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct DecodingCase {
  const char* name;
  std::string bytes;
  std::u16string expected;
};

TEST(IniDecoding, SurvivesBrokenBytes) {
  const DecodingCase cases[] = {
      {"odd UTF-16 LE",
       std::string("\xFF\xFE"
                   "a\0b\0c",
                   7),
       u"ab"},
      {"odd UTF-16 BE",
       std::string("\xFE\xFF"
                   "\0a\0",
                   5),
       u"a"},
      {"one byte after the mark",
       "\xFF\xFE"
       "x",
       u""},
      {"LE mark alone", "\xFF\xFE", u""},
      {"BE mark alone", "\xFE\xFF", u""},
      {"UTF-8 mark alone", "\xEF\xBB\xBF", u""},
      {"nothing", "", u""},
      {"partial UTF-8 mark", "\xEF\xBB", u"\uFFFD"},
      {"invalid UTF-8 byte",
       "a\xFF"
       "b",
       u"a\uFFFDb"},
      {"sequence cut by the end", "k=\xE6\x97", u"k=\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD"},
      // Units are handed on as they are; only the display decides what to draw.
      {"unpaired surrogate in UTF-16",
       std::string("\xFF\xFE"
                   "k\0\x00\xD8",
                   6),
       {u'k', char16_t{0xD800}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Decode(c.bytes), c.expected) << c.name;
  }
}

TEST(IniDecoding, Utf16FileCutInAUnitKeepsItsWholeLines) {
  std::string bytes = "\xFF\xFE" + test::Utf16Bytes(u"[S]\r\nk=v\r\nj=", false);
  bytes += 'w';
  const std::u16string text = Decode(bytes);
  EXPECT_EQ(FindIniValue(text, u"S", u"k"), u"v");
  EXPECT_EQ(FindIniValue(text, u"S", u"j"), u"");
}

}  // namespace
}  // namespace tbt::app
