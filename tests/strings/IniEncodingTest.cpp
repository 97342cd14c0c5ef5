#include <gtest/gtest.h>

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

TEST(IniDecoding, OddLastByteOfUtf16IsDropped) {
  EXPECT_EQ(Decode(std::string("\xFF\xFE"
                               "a\0b\0c",
                               7)),
            u"ab");
  EXPECT_EQ(Decode(std::string("\xFE\xFF"
                               "\0a\0",
                               5)),
            u"a");
  EXPECT_EQ(Decode(std::string("\xFF\xFE"
                               "x",
                               3)),
            u"");
}

TEST(IniDecoding, MarkAloneGivesEmptyText) {
  EXPECT_EQ(Decode("\xFF\xFE"), u"");
  EXPECT_EQ(Decode("\xFE\xFF"), u"");
  EXPECT_EQ(Decode("\xEF\xBB\xBF"), u"");
  EXPECT_EQ(Decode(""), u"");
}

TEST(IniDecoding, InvalidUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(Decode("a\xFF"
                   "b"),
            u"a\uFFFDb");
  // A sequence cut by the end of the file.
  EXPECT_EQ(Decode("k=\xE6\x97"), u"k=\uFFFD");
  // An encoded surrogate is not a character.
  EXPECT_EQ(Decode("\xED\xA0\x80"), std::u16string(1, u'\uFFFD'));
}

TEST(IniDecoding, PartialUtf8MarkIsText) {
  EXPECT_EQ(Decode("\xEF\xBB"), u"\uFFFD");
}

TEST(IniDecoding, UnpairedSurrogatesInUtf16ArePassedOn) {
  // The reader hands units on as they are; only the display decides what to draw.
  const std::string bytes =
      std::string("\xFF\xFE", 2) + test::Utf16Bytes(u"k=", false) + std::string("\x00\xD8", 2);
  const std::u16string text = Decode(bytes);
  ASSERT_EQ(text.size(), 3u);
  EXPECT_EQ(text[2], char16_t{0xD800});
}

TEST(IniDecoding, Utf16LookupAcrossOddFile) {
  // A UTF-16 file cut in the middle of a unit still yields every whole line before it.
  std::string bytes = "\xFF\xFE" + test::Utf16Bytes(u"[S]\r\nk=v\r\nj=", false);
  bytes += 'w';
  const std::u16string text = Decode(bytes);
  EXPECT_EQ(FindIniValue(text, u"S", u"k"), u"v");
  EXPECT_EQ(FindIniValue(text, u"S", u"j"), u"");
}

}  // namespace
}  // namespace tbt::app
