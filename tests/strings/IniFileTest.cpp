#include "strings/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/Utf16.h"
#include "support/NonRegularFile.h"
#include "support/TempFolder.h"

namespace tbt::strings {
namespace {

struct LookupCase {
  const char* name;
  std::u16string_view text;
  std::u16string_view section;
  std::u16string_view key;
  std::optional<std::u16string_view> expected;
};

const std::u16string kHugeValue(200000, u'x');
const std::u16string kHugeText = u"[S]\nk=" + kHugeValue + u"\n";

const LookupCase kLookupCases[] = {
    {"NamesIgnoreCase", u"[LaNgUaGe]\nIds_Update=v\n", u"language", u"IDS_UPDATE", u"v"},
    {"NamesAndValueAreTrimmed", u"  [ S ]  \n\t k \t=  some value \t\n", u" S ", u" k ",
     u"some value"},
    {"DoubleQuotesRemoved", u"[S]\nk=\"  quoted  \"\n", u"S", u"k", u"  quoted  "},
    {"SingleQuotesRemoved", u"[S]\nk='quoted'\n", u"S", u"k", u"quoted"},
    {"OnlyOnePairOfQuotesRemoved", u"[S]\nk=\"\"x\"\"\n", u"S", u"k", u"\"x\""},
    {"MismatchedQuotesKept", u"[S]\nk=\"x'\n", u"S", u"k", u"\"x'"},
    {"LoneQuoteKept", u"[S]\nk=\"\n", u"S", u"k", u"\""},
    {"EmptyValueIsFound", u"[S]\nk=\n", u"S", u"k", u""},
    {"ValueKeepsFurtherEquals", u"[S]\nk=a=b\n", u"S", u"k", u"a=b"},
    {"FirstKeyWins", u"[S]\nk=first\nk=second\n", u"S", u"k", u"first"},
    {"FirstSectionWinsEvenWithoutTheKey", u"[S]\na=1\n[s]\nk=late\n", u"S", u"k", std::nullopt},
    {"SectionEndsAtNextHeader", u"[A]\nx=1\n[B]\nk=b\n", u"A", u"k", std::nullopt},
    {"KeysBeforeAnySectionBelongToNone", u"k=v\n[S]\n", u"S", u"k", std::nullopt},
    {"IndentedCommentLineIsNoKey", u"[S]\n   ;k=v\n", u"S", u";k", std::nullopt},
    {"SemicolonInsideValueIsText", u"[S]\nk=a ; b\n", u"S", u"k", u"a ; b"},
    {"LineWithoutEqualsIsIgnored", u"[S]\nk\nk=v\n", u"S", u"k", u"v"},
    {"HeaderWithoutBracketIsNoHeader", u"[S]\n[T\nk=v\n", u"S", u"k", u"v"},
    {"TextAfterHeaderIgnored", u"[S] ; note\nk=v\n", u"S", u"k", u"v"},
    {"LoneCrLines", u"[S]\rk=v\r", u"S", u"k", u"v"},
    {"LastLineWithoutNewlineAndEofMark", u"[S]\nk=v\x1A", u"S", u"k", u"v"},
    {"NamesAreNoPrefixes", u"[Language2]\nIDS_SHUTDOWN=a\n[Language]\nIDS_SHUTDOWN_LATER=b\n",
     u"Language", u"IDS_SHUTDOWN", std::nullopt},
    {"NonAsciiCaseIsExact", u"[Ä]\nk=v\n", u"ä", u"k", std::nullopt},
    {"HugeLineIsReadWhole", kHugeText, u"S", u"k", kHugeValue},
};

TEST(IniLookup, FollowsProfileStringRules) {
  for (const auto& c : kLookupCases) {
    EXPECT_EQ(FindIniValue(c.text, c.section, c.key), c.expected) << c.name;
  }
}

TEST(CopyTruncated, CopiesAtMostCapacityMinusOneUnitsAndTerminates) {
  const struct {
    std::u16string text;
    size_t capacity;
    std::u16string expected;
  } cases[] = {
      {u"abc", 4, u"abc"},
      {u"abc", 1, u""},
      // U+1F600 takes two units; a pair that would be split is left out whole.
      {u"ab\U0001F600c", 4, u"ab"},
      {u"ab\U0001F600c", 5, u"ab\U0001F600"},
      {{u'a', char16_t{0xD800}, u'b'}, 3, {u'a', char16_t{0xD800}}},
  };
  for (const auto& c : cases) {
    std::u16string buffer(c.capacity + 1, u'#');
    EXPECT_EQ(CopyTruncated(c.text, buffer.data(), c.capacity), c.expected.size());
    EXPECT_EQ(std::u16string_view(buffer.data()), c.expected);
    EXPECT_EQ(buffer[c.capacity], u'#') << "wrote past the capacity";
  }
  char16_t untouched = u'#';
  EXPECT_EQ(CopyTruncated(u"abc", &untouched, 0), 0u);
  EXPECT_EQ(untouched, u'#');
  EXPECT_EQ(CopyTruncated(u"abc", nullptr, 10), 0u);
}

// Reads through the file API into a buffer of `capacity` units, checking the zero.
std::u16string ReadProfile(std::u16string_view section, std::u16string_view key,
                           std::u16string_view defaultValue, const std::filesystem::path& path,
                           size_t capacity = 256) {
  std::u16string buffer(capacity, u'#');
  const size_t count = GetPrivateProfileString(section, key, defaultValue, buffer.data(), capacity,
                                               path.u16string());
  EXPECT_EQ(buffer[count], u'\0');
  return buffer.substr(0, count);
}

// The same small file in every encoding the reader accepts, with text outside Latin-1
// and outside the basic plane.
constexpr std::u16string_view kEncodedText = u"[日本語]\r\nIDS_UPDATE=更新 \U0001F600\r\n";

std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
  std::string bytes;
  for (char16_t unit : text) {
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

TEST(IniFileEncoding, EveryAcceptedEncodingReadsTheSameValue) {
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"UTF-8 without mark", ToUtf8(kEncodedText)},
      {"UTF-8 with mark", "\xEF\xBB\xBF" + ToUtf8(kEncodedText)},
      {"UTF-16 LE", "\xFF\xFE" + Utf16Bytes(kEncodedText, false)},
      {"UTF-16 BE", "\xFE\xFF" + Utf16Bytes(kEncodedText, true)},
  };
  test::TempFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = folder.Write("Update.ini", c.bytes);
    EXPECT_EQ(ReadProfile(u"日本語", u"ids_update", u"", path), u"更新 \U0001F600");
  }
}

TEST(IniFileEncoding, SurvivesBrokenBytes) {
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    std::u16string expected;
  } cases[] = {
      // A lone last byte of UTF-16 carries no character.
      {"odd UTF-16 LE", {0xFF, 0xFE, 'a', 0, 'b', 0, 'c'}, u"ab"},
      {"UTF-8 mark alone", {0xEF, 0xBB, 0xBF}, u""},
      // Units are handed on as they are; only the display decides what to draw.
      {"unpaired surrogate in UTF-16", {0xFF, 0xFE, 'k', 0, 0, 0xD8}, {u'k', char16_t{0xD800}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeIniText(c.bytes), c.expected) << c.name;
  }
}

TEST(ProfileFile, ReadsValuesAndGivesTheDefaultWithoutTrailingBlanksForMissingOnes) {
  test::TempFolder folder;
  const auto path = folder.Write("data/Update.ini", "[Language]\r\n0x409=English\r\n");
  EXPECT_EQ(ReadProfile(u"language", u"0X409", u"", path), u"English");
  EXPECT_EQ(ReadProfile(u"language", u"0X409", u"", path, 3), u"En");
  EXPECT_EQ(ReadProfile(u"S", u"k", u"  dflt  ", folder.Path("absent.ini")), u"  dflt");
  EXPECT_EQ(ReadProfile(u"T", u"k", u"dflt ", path), u"dflt");
  EXPECT_EQ(ReadProfile(u"Language", u"x", u"abcdef", path, 4), u"abc");
  // Quotes belong to the file's values, not to the caller's default.
  EXPECT_EQ(ReadProfile(u"Language", u"x", u"\"q\"", path), u"\"q\"");
  // The file goes through the bounded reader (its tests: ReadBoundedFileTest): a FIFO
  // named like the file gives the default at once.
  EXPECT_EQ(ReadProfile(u"S", u"k", u"dflt", test::MakeNonRegularFile(folder.Path("fifo.ini"))),
            u"dflt");
}

}  // namespace
}  // namespace tbt::strings
