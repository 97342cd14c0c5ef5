#include "app/strings/IniFile.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "TempFolder.h"

namespace tbt::app {
namespace {

struct LookupCase {
  const char* name;
  std::u16string_view text;
  std::u16string_view section;
  std::u16string_view key;
  std::optional<std::u16string_view> expected;
};

const LookupCase kLookupCases[] = {
    {"PlainValue", u"[S]\nk=v\n", u"S", u"k", u"v"},
    {"SectionNameIgnoresCase", u"[LaNgUaGe]\nk=v\n", u"language", u"k", u"v"},
    {"KeyNameIgnoresCase", u"[S]\nIds_Update=v\n", u"S", u"IDS_UPDATE", u"v"},
    {"BlanksAroundNamesAndValue", u"  [ S ]  \n\t k \t=  some value \t\n", u"S", u"k",
     u"some value"},
    {"RequestedNamesAreTrimmed", u"[S]\nk=v\n", u" S ", u" k ", u"v"},
    {"DoubleQuotesRemoved", u"[S]\nk=\"  quoted  \"\n", u"S", u"k", u"  quoted  "},
    {"SingleQuotesRemoved", u"[S]\nk='quoted'\n", u"S", u"k", u"quoted"},
    {"OnlyOnePairOfQuotesRemoved", u"[S]\nk=\"\"x\"\"\n", u"S", u"k", u"\"x\""},
    {"MismatchedQuotesKept", u"[S]\nk=\"x'\n", u"S", u"k", u"\"x'"},
    {"LoneQuoteKept", u"[S]\nk=\"\n", u"S", u"k", u"\""},
    {"InnerQuotesKept", u"[S]\nk=l'heure \"x\" y\n", u"S", u"k", u"l'heure \"x\" y"},
    {"EmptyQuotesGiveEmpty", u"[S]\nk=\"\"\n", u"S", u"k", u""},
    {"EmptyValueIsFound", u"[S]\nk=\n", u"S", u"k", u""},
    {"ValueKeepsFurtherEquals", u"[S]\nk=a=b\n", u"S", u"k", u"a=b"},
    {"FirstKeyWins", u"[S]\nk=first\nk=second\n", u"S", u"k", u"first"},
    {"FirstSectionWinsEvenWithoutTheKey", u"[S]\na=1\n[S]\nk=late\n", u"S", u"k", std::nullopt},
    {"FirstSectionWinsForItsKey", u"[S]\nk=first\n[s]\nk=second\n", u"S", u"k", u"first"},
    {"OtherSectionsAreSkipped", u"[A]\nk=a\n[B]\nk=b\n", u"B", u"k", u"b"},
    {"SectionEndsAtNextHeader", u"[A]\nx=1\n[B]\nk=b\n", u"A", u"k", std::nullopt},
    {"KeysBeforeAnySectionBelongToNone", u"k=v\n[S]\n", u"S", u"k", std::nullopt},
    {"CommentLineIsNoKey", u"[S]\n;k=v\n", u"S", u"k", std::nullopt},
    {"IndentedCommentLineIsNoKey", u"[S]\n   ;k=v\n", u"S", u";k", std::nullopt},
    {"SemicolonInsideValueIsText", u"[S]\nk=a ; b\n", u"S", u"k", u"a ; b"},
    {"LineWithoutEqualsIsIgnored", u"[S]\nk\nk=v\n", u"S", u"k", u"v"},
    {"HeaderWithoutBracketIsNoHeader", u"[S]\n[T\nk=v\n", u"S", u"k", u"v"},
    {"TextAfterHeaderIgnored", u"[S] ; note\nk=v\n", u"S", u"k", u"v"},
    {"CrLfLines", u"[S]\r\nk=v\r\nj=w\r\n", u"S", u"j", u"w"},
    {"LoneCrLines", u"[S]\rk=v\r", u"S", u"k", u"v"},
    {"LastLineWithoutNewline", u"[S]\nk=v", u"S", u"k", u"v"},
    {"EofMarkIsBlank", u"[S]\nk=v\x1A", u"S", u"k", u"v"},
    {"KeyIsNotAPrefix", u"[S]\nIDS_SHUTDOWN_LATER=x\n", u"S", u"IDS_SHUTDOWN", std::nullopt},
    {"SectionIsNotAPrefix", u"[Language2]\nk=v\n", u"Language", u"k", std::nullopt},
    {"NonAsciiCaseIsExact", u"[Ä]\nk=v\n", u"ä", u"k", std::nullopt},
    {"NonAsciiNamesMatch", u"[日本語]\n鍵=値\n", u"日本語", u"鍵", u"値"},
    {"MissingSection", u"[S]\nk=v\n", u"T", u"k", std::nullopt},
    {"EmptyText", u"", u"S", u"k", std::nullopt},
};

void PrintTo(const LookupCase& c, std::ostream* os) {
  *os << c.name;
}

class IniLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(IniLookup, FollowsProfileStringRules) {
  const LookupCase& c = GetParam();
  EXPECT_EQ(FindIniValue(c.text, c.section, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, IniLookup, testing::ValuesIn(kLookupCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IniLookup, HugeLineIsReadWhole) {
  const std::u16string value(200000, u'x');
  const std::u16string text = u"[S]\nk=" + value + u"\nj=after\n";
  EXPECT_EQ(FindIniValue(text, u"S", u"k"), value);
  EXPECT_EQ(FindIniValue(text, u"S", u"j"), u"after");
}

TEST(IniKeyNames, ListsTheKeysOfTheFirstMatchingSectionInOrder) {
  const std::u16string_view text =
      u"[A]\nx=1\n[Language]\n 0x409 = E\n;0x411=J\nbare\n0x404=T\n0x409=again\n[language]\nz=9\n";
  const std::vector<std::u16string_view> expected = {u"0x409", u"0x404", u"0x409"};
  EXPECT_EQ(IniKeyNames(text, u"LANGUAGE"), expected);
  EXPECT_TRUE(IniKeyNames(text, u"Missing").empty());
}

struct TruncationCase {
  std::u16string text;
  size_t capacity;
  std::u16string expected;
};

TEST(CopyTruncated, CopiesAtMostCapacityMinusOneUnitsAndTerminates) {
  const std::u16string fits(255, u'f');
  const TruncationCase cases[] = {
      {fits, 256, fits},
      {fits + u"x", 256, fits},
      {std::u16string(1000, u'f'), 256, fits},
      {u"abc", 1, u""},
      {u"", 30, u""},
      // U+1F600 takes two units; its high half alone would be left dangling, so the
      // pair goes whole.
      {u"ab\U0001F600c", 4, u"ab"},
      {u"ab\U0001F600c", 5, u"ab\U0001F600"},
      // A lone high surrogate is no pair to keep whole.
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

class ProfileFile : public testing::Test {
 protected:
  std::u16string WriteIni(std::string_view bytes) {
    return test::PathText(folder_.Write("data/Update.ini", bytes));
  }
  std::u16string Read(std::u16string_view section, std::u16string_view key,
                      std::u16string_view defaultValue, const std::u16string& path,
                      size_t capacity = 256) {
    std::u16string buffer(capacity, u'#');
    const size_t count =
        GetPrivateProfileString(section, key, defaultValue, buffer.data(), capacity, path);
    EXPECT_EQ(buffer[count], u'\0');
    return buffer.substr(0, count);
  }
  test::TempFolder folder_;
};

TEST_F(ProfileFile, ReadsValueFromFile) {
  const auto path = WriteIni("[Language]\r\n0x409=English\r\n[English]\r\nIDS_EXIT=Exit\r\n");
  EXPECT_EQ(Read(u"language", u"0X409", u"", path), u"English");
  EXPECT_EQ(Read(u"English", u"ids_exit", u"", path, 3), u"Ex");
}

TEST_F(ProfileFile, MissingPiecesGiveTheDefaultWithoutTrailingBlanks) {
  const auto path = WriteIni("[S]\nk=v\n");
  const std::u16string missingFile = test::PathText(folder_.Path() / "absent.ini");
  EXPECT_EQ(Read(u"S", u"k", u"  dflt  ", missingFile), u"  dflt");
  EXPECT_EQ(Read(u"S", u"k", u"dflt", test::PathText(folder_.Path())), u"dflt");
  EXPECT_EQ(Read(u"T", u"k", u"dflt ", path), u"dflt");
  EXPECT_EQ(Read(u"S", u"x", u"", path), u"");
  EXPECT_EQ(Read(u"S", u"x", u"abcdef", path, 4), u"abc");
  // Quotes belong to the file's values, not to the caller's default.
  EXPECT_EQ(Read(u"S", u"x", u"\"q\"", path), u"\"q\"");
  char16_t untouched = u'#';
  EXPECT_EQ(GetPrivateProfileString(u"S", u"k", u"", &untouched, 0, path), 0u);
  EXPECT_EQ(untouched, u'#');
}

TEST_F(ProfileFile, FileUpToTheSizeLimitIsReadAndALargerOneIsNot) {
  std::string bytes = "[S]\nk=v\n";
  bytes.resize(kMaxIniFileBytes, ' ');
  const auto path = WriteIni(bytes);
  EXPECT_EQ(Read(u"S", u"k", u"dflt", path), u"v");
  bytes.push_back(' ');
  WriteIni(bytes);
  EXPECT_EQ(Read(u"S", u"k", u"dflt", path), u"dflt");
}

}  // namespace
}  // namespace tbt::app
