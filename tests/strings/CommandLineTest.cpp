#include "app/strings/CommandLine.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/Utf16.h"

namespace tbt::app {
namespace {

constexpr uint16_t kUiLanguage = 0x0407;

struct Settings {
  int32_t downgradeAllowed = 0;
  uint16_t langId = kUiLanguage;
};

Settings ReadSwitches(std::initializer_list<const char16_t*> args) {
  std::vector<const char16_t*> argv = {u"C:/tools/tbt-fwupdate"};
  argv.insert(argv.end(), args.begin(), args.end());
  Settings settings;
  EXPECT_TRUE(ReadCommandLine(static_cast<int>(argv.size()), argv.data(),
                              &settings.downgradeAllowed, &settings.langId));
  return settings;
}

TEST(ReadCommandLine, NoArgumentsKeepTheDefaults) {
  const Settings settings = ReadSwitches({});
  EXPECT_EQ(settings.downgradeAllowed, 0);
  EXPECT_EQ(settings.langId, kUiLanguage);
}

struct DowngradeCase {
  const char16_t* arg;
  int32_t expected;
};

TEST(ReadCommandLine, DowngradableSwitchIgnoresCaseButNeedsTheSlash) {
  const DowngradeCase cases[] = {
      {u"/downgradable", 1}, {u"/DOWNGRADABLE", 1},  {u"/Downgradable", 1},
      {u"-downgradable", 0}, {u"downgradable", 0},   {u"/downgradable2", 0},
      {u"/downgrade", 0},    {u"/ downgradable", 0}, {u"//downgradable", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadSwitches({c.arg}).downgradeAllowed, c.expected) << ToUtf8(c.arg);
  }
}

struct LanguageCase {
  const char16_t* arg;
  uint16_t expected;
};

TEST(ReadCommandLine, LanguageSwitchReadsHex) {
  const LanguageCase cases[] = {
      {u"/LID:411", 0x411},
      {u"/lid:0x804", 0x804},
      {u"/Lid:12345", 0x2345},     // low 16 bits
      {u"/LID:", kUiLanguage},     // exactly 5 characters: ignored
      {u"/LID:zz", 0},             // no digits
      {u"/LIDX411", kUiLanguage},  // character 4 must be the colon
      {u"/LID 411", kUiLanguage},
      {u"LID:411", kUiLanguage},  // no slash
      {u"-LID:411", kUiLanguage},
      {u"/LIE:411", kUiLanguage},
      {u"/lId:40c", 0x40C},
      {u"/LID: 411", 0x411},   // white space before the number
      {u"/LID:411zz", 0x411},  // digits up to the first other character
      {u"/LID:-1", 0xFFFF},
      {u"/LID:FFFFFFFFF", 0xFFFF},   // overflow gives INT32_MAX, whose low half is 0xFFFF
      {u"/LID:-FFFFFFFFF", 0x0000},  // and INT32_MIN, whose low half is 0
      {u"/LID:0x", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadSwitches({c.arg}).langId, c.expected) << ToUtf8(c.arg);
  }
}

TEST(ReadCommandLine, LaterSwitchWins) {
  EXPECT_EQ(ReadSwitches({u"/LID:411", u"/LID:409"}).langId, 0x409);
  EXPECT_EQ(ReadSwitches({u"/LID:409", u"/LID:"}).langId, 0x409);
  const Settings both = ReadSwitches({u"/LID:804", u"update.bin", u"/downgradable", u"/x"});
  EXPECT_EQ(both.langId, 0x804);
  EXPECT_EQ(both.downgradeAllowed, 1);
}

TEST(ReadCommandLine, ProgramPathIsNeverReadAsASwitch) {
  const char16_t* argv[] = {u"/downgradable", u"/LID:411"};
  int32_t downgradeAllowed = 0;
  uint16_t langId = kUiLanguage;
  EXPECT_TRUE(ReadCommandLine(1, argv, &downgradeAllowed, &langId));
  EXPECT_EQ(downgradeAllowed, 0);
  EXPECT_EQ(langId, kUiLanguage);
}

TEST(ReadCommandLine, VisitsOnlyArgcEntriesAndSkipsNullPointers) {
  const char16_t* argv[] = {u"tool", nullptr, u"/downgradable", u"/LID:411", u"/LID:409"};
  EXPECT_TRUE(ReadCommandLine(4, argv, nullptr, nullptr));
  EXPECT_TRUE(ReadCommandLine(4, nullptr, nullptr, nullptr));
  int32_t downgradeAllowed = 0;
  EXPECT_TRUE(ReadCommandLine(4, argv, &downgradeAllowed, nullptr));
  EXPECT_EQ(downgradeAllowed, 1);
  EXPECT_TRUE(ReadCommandLine(-3, argv, &downgradeAllowed, nullptr));
  uint16_t langId = 0;
  ReadCommandLine(4, argv, nullptr, &langId);
  EXPECT_EQ(langId, 0x411);
}

struct WcstolCase {
  std::u16string_view text;
  int32_t expected;
};

TEST(Wcstol16, FollowsTheRulesOfWcstolInBase16) {
  const WcstolCase cases[] = {
      {u"0", 0},
      {u"411", 0x411},
      {u"abcDEF", 0xABCDEF},
      {u"0x1f", 0x1F},
      {u"0X1F", 0x1F},
      {u"  \t\r\n\v\f7", 7},
      {u"+10", 0x10},
      {u"-10", -0x10},
      {u"-0x10", -0x10},
      {u"+ 10", 0},  // no white space after the sign
      {u"- 10", 0},
      {u"", 0},
      {u"   ", 0},
      {u"+", 0},
      {u"-", 0},
      {u"g1", 0},
      {u"12g4", 0x12},
      {u"0x", 0},  // the zero is read, the x ends the number
      {u"0xg", 0},
      {u"-0x", 0},
      {u"0x0x1", 0},
      {u"00000000000000000001", 1},  // leading zeros never overflow
      {u"7FFFFFFF", INT32_MAX},
      {u"80000000", INT32_MAX},
      {u"FFFFFFFFFFFFFFFFFFFFFFFF", INT32_MAX},
      {u"-7FFFFFFF", -INT32_MAX},
      {u"-80000000", INT32_MIN},
      {u"-80000001", INT32_MIN},
      {u"-FFFFFFFFFFFFFFFFFFFF", INT32_MIN},
      {u"\u00A01", 0},  // only ASCII white space is skipped
      {u"\uFF11", 0},   // a full-width digit is no digit
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Wcstol16(c.text), c.expected) << ToUtf8(c.text);
  }
}

TEST(WideArguments, ConvertsUtf8ArgumentsForReadCommandLine) {
  const char* argv[] = {"tool", "/LID:804", "Ünïcode", nullptr, nullptr};
  const WideArguments wide(4, argv);
  ASSERT_EQ(wide.Count(), 4);
  EXPECT_EQ(std::u16string_view(wide.Vector()[2]), u"Ünïcode");
  EXPECT_EQ(std::u16string_view(wide.Vector()[3]), u"");
  EXPECT_EQ(wide.Vector()[4], nullptr);
  uint16_t langId = 0;
  ReadCommandLine(wide.Count(), wide.Vector(), nullptr, &langId);
  EXPECT_EQ(langId, 0x804);
}

}  // namespace
}  // namespace tbt::app
