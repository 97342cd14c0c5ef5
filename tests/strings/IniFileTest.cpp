#include "app/strings/IniFile.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
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
  const char* name;
  size_t textLength;
  size_t capacity;
  size_t expectedCount;
};

const TruncationCase kTruncationCases[] = {
    {"FitsWithRoomToSpare", 10, 256, 10},
    {"ExactlyCapacityMinusOneFits", 255, 256, 255},
    {"CapacityIsCutToCapacityMinusOne", 256, 256, 255},
    {"LongerIsCut", 1000, 256, 255},
    {"CapacityOneGivesEmpty", 5, 1, 0},
    {"EmptyText", 0, 30, 0},
};

class Truncation : public testing::TestWithParam<TruncationCase> {};

TEST_P(Truncation, CopiesAtMostCapacityMinusOneAndTerminates) {
  const TruncationCase& c = GetParam();
  std::u16string text;
  for (size_t i = 0; i < c.textLength; ++i) {
    text.push_back(static_cast<char16_t>(u'a' + i % 26));
  }
  std::u16string buffer(c.capacity + 1, u'#');
  EXPECT_EQ(CopyTruncated(text, buffer.data(), c.capacity), c.expectedCount);
  EXPECT_EQ(buffer.substr(0, c.expectedCount), text.substr(0, c.expectedCount));
  EXPECT_EQ(buffer[c.expectedCount], u'\0');
  EXPECT_EQ(buffer[c.capacity], u'#') << "wrote past the capacity";
}

INSTANTIATE_TEST_SUITE_P(Capacities, Truncation, testing::ValuesIn(kTruncationCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Truncation, ZeroCapacityOrNullBufferWritesNothing) {
  char16_t untouched = u'#';
  EXPECT_EQ(CopyTruncated(u"abc", &untouched, 0), 0u);
  EXPECT_EQ(untouched, u'#');
  EXPECT_EQ(CopyTruncated(u"abc", nullptr, 10), 0u);
}

TEST(Truncation, NeverSplitsASurrogatePair) {
  // "ab" then U+1F600 (two units): a capacity of 4 leaves room for three units, which
  // would end in the pair's high half, so the whole pair is left out.
  const std::u16string text = u"ab\U0001F600c";
  std::array<char16_t, 4> buffer{};
  EXPECT_EQ(CopyTruncated(text, buffer.data(), buffer.size()), 2u);
  EXPECT_EQ(std::u16string_view(buffer.data()), u"ab");
  std::array<char16_t, 5> wider{};
  EXPECT_EQ(CopyTruncated(text, wider.data(), wider.size()), 4u);
  EXPECT_EQ(std::u16string_view(wider.data()), u"ab\U0001F600");
}

TEST(Truncation, LoneHighSurrogateAtTheCutIsKept) {
  // Not a pair, so there is nothing to keep whole: the cut falls where it falls.
  const std::u16string text = {u'a', char16_t{0xD800}, u'b', u'c'};
  std::array<char16_t, 3> buffer{};
  EXPECT_EQ(CopyTruncated(text, buffer.data(), buffer.size()), 2u);
  EXPECT_EQ(buffer[1], char16_t{0xD800});
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
  EXPECT_EQ(Read(u"English", u"ids_exit", u"", path), u"Exit");
}

TEST_F(ProfileFile, MissingPiecesGiveTheDefaultWithoutTrailingBlanks) {
  const auto path = WriteIni("[S]\nk=v\n");
  const std::u16string missingFile = test::PathText(folder_.Path() / "absent.ini");
  EXPECT_EQ(Read(u"S", u"k", u"  dflt  ", missingFile), u"  dflt");
  EXPECT_EQ(Read(u"T", u"k", u"dflt ", path), u"dflt");
  EXPECT_EQ(Read(u"S", u"x", u"", path), u"");
  // Quotes belong to the file's values, not to the caller's default.
  EXPECT_EQ(Read(u"S", u"x", u"\"q\"", path), u"\"q\"");
}

TEST_F(ProfileFile, FolderInsteadOfFileGivesTheDefault) {
  EXPECT_EQ(Read(u"S", u"k", u"dflt", test::PathText(folder_.Path())), u"dflt");
}

TEST_F(ProfileFile, DefaultIsCutToCapacityToo) {
  const std::u16string missing = test::PathText(folder_.Path() / "absent.ini");
  EXPECT_EQ(Read(u"S", u"k", u"abcdef", missing, 4), u"abc");
}

TEST_F(ProfileFile, ValueOf255UnitsFitsAndLongerIsCut) {
  const std::string fits(255, 'f');
  const std::string longer(300, 'l');
  const auto path = WriteIni("[S]\nfits=" + fits + "\nlonger=" + longer + "\n");
  EXPECT_EQ(Read(u"S", u"fits", u"", path), std::u16string(255, u'f'));
  EXPECT_EQ(Read(u"S", u"longer", u"", path), std::u16string(255, u'l'));
}

TEST_F(ProfileFile, ZeroCapacityReturnsZeroAndLeavesBufferAlone) {
  const auto path = WriteIni("[S]\nk=v\n");
  char16_t untouched = u'#';
  EXPECT_EQ(GetPrivateProfileString(u"S", u"k", u"", &untouched, 0, path), 0u);
  EXPECT_EQ(untouched, u'#');
  EXPECT_EQ(GetPrivateProfileString(u"S", u"k", u"", nullptr, 10, path), 0u);
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

TEST_F(ProfileFile, FileReadsAnewOnEachCall) {
  const auto path = WriteIni("[S]\nk=old\n");
  EXPECT_EQ(Read(u"S", u"k", u"", path), u"old");
  WriteIni("[S]\nk=new\n");
  EXPECT_EQ(Read(u"S", u"k", u"", path), u"new");
}

}  // namespace
}  // namespace tbt::app
