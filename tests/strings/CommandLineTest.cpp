#include "strings/CommandLine.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/Utf16.h"

namespace tbt::strings {
namespace {

constexpr uint16_t kUiLanguage = 0x0407;

struct SwitchCase {
  std::vector<const char16_t*> args;  // after the program path
  int32_t downgradeAllowed;
  uint16_t langId;
};

TEST(ReadCommandLine, ReadsTheTwoSwitchesAndIgnoresEverythingElse) {
  const SwitchCase cases[] = {
      {{}, 0, kUiLanguage},
      {{u"/DOWNGRADABLE"}, 1, kUiLanguage},
      {{u"-downgradable"}, 0, kUiLanguage},
      {{u"/downgradable2"}, 0, kUiLanguage},
      {{u"/lid:0x804"}, 0, 0x804},
      {{u"/Lid:12345"}, 0, 0x2345},            // low 16 bits
      {{u"/LID:-1"}, 0, 0xFFFF},               // of a negative number too
      {{u"/LID:"}, 0, kUiLanguage},            // exactly 5 characters: ignored
      {{u"/LID:zz"}, 0, 0},                    // no digits
      {{u"/LIDX411"}, 0, kUiLanguage},         // character 4 must be the colon
      {{u"-LID:411"}, 0, kUiLanguage},         // the slash is needed
      {{u"/LID:411", u"/LID:409"}, 0, 0x409},  // a later switch wins
      {{u"/LID:804", u"update.bin", nullptr, u"/downgradable", u"/x"}, 1, 0x804},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "no arguments" : ToUtf8(c.args[0]));
    std::vector<const char16_t*> argv = {u"C:/tools/tbt-fwupdate"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    int32_t downgradeAllowed = 0;
    uint16_t langId = kUiLanguage;
    EXPECT_TRUE(
        ReadCommandLine(static_cast<int>(argv.size()), argv.data(), &downgradeAllowed, &langId));
    EXPECT_EQ(downgradeAllowed, c.downgradeAllowed);
    EXPECT_EQ(langId, c.langId);
  }
}

TEST(ReadCommandLine, ReadsOnlyArgumentsOneToArgcMinusOneIntoTheOutputsGiven) {
  const char16_t* argv[] = {u"/downgradable", u"/LID:411", u"/LID:409"};
  int32_t downgradeAllowed = 0;
  uint16_t langId = kUiLanguage;
  EXPECT_TRUE(ReadCommandLine(3, nullptr, &downgradeAllowed, &langId));
  EXPECT_TRUE(ReadCommandLine(-3, argv, &downgradeAllowed, &langId));
  EXPECT_TRUE(ReadCommandLine(2, argv, &downgradeAllowed, &langId));  // argv[0] is the program
  EXPECT_TRUE(ReadCommandLine(3, argv, nullptr, nullptr));
  EXPECT_EQ(downgradeAllowed, 0);
  EXPECT_EQ(langId, 0x411);
}

TEST(Wcstol16, FollowsTheRulesOfWcstolInBase16) {
  const struct {
    std::u16string_view text;
    int32_t expected;
  } cases[] = {
      {u"abcDEF", 0xABCDEF},
      {u"0x1f", 0x1F},
      {u"  \t\r\n\v\f7", 7},
      {u"-0x10", -0x10},
      {u"+ 10", 0},  // no white space after the sign
      {u"", 0},
      {u"0x", 0},                    // the zero is read, the x ends the number
      {u"00000000000000000001", 1},  // leading zeros never overflow
      {u"80000000", INT32_MAX},
      {u"10000000000000001", INT32_MAX},  // 2^64 + 1 must not wrap to 1
      {u"-80000000", INT32_MIN},
      {u"-80000001", INT32_MIN},
      {u"\u00A01", 0},  // only ASCII white space is skipped
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Wcstol16(c.text), c.expected) << ToUtf8(c.text);
  }
}

}  // namespace
}  // namespace tbt::strings
