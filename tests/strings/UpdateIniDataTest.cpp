// Checks the texts the tool ships in data/Update.ini: every language it offers has every
// text, each fits the buffer it is read into and, roughly, the place it is shown in.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/Utf16.h"
#include "strings/BuiltInTexts.h"
#include "strings/IniFile.h"
#include "strings/LocalizedString.h"

namespace tbt::strings {
namespace {

struct KeyRule {
  const char16_t* key;
  size_t capacity;  // units of the buffer the text is read into, with its zero
  double maxEms;    // rough width budget in ems of the window's text font
};

// Budgets in ems of the 24-unit font in its design box (buttons 368 or 508 wide, the
// caution line 1000, the message box 1400 x 180, about three to four lines). Results
// are shown in the message box too. The error text leaves 13 units of its buffer for
// " (0X%08X)".
constexpr KeyRule kKeyRules[] = {
    {u"IDS_UPDATE", 512, 10},     {u"IDS_EXIT", 512, 10},         {u"IDS_PROMPT", 512, 140},
    {u"IDS_CAUTION", 512, 30},    {u"IDS_SHUTDOWN", 512, 14},     {u"IDS_SHUTDOWN_LATER", 512, 14},
    {u"IDS_SUCCESS", 256, 140},   {u"IDS_FIND_NO_SW", 256, 140},  {u"IDS_DOWNGRADE", 256, 140},
    {u"IDS_ERROR", 256 - 13, 40}, {u"IDS_FIND_NO_KXR", 256, 140}, {u"IDS_EMULATED", 512, 40},
};

// The languages the tool is delivered with.
constexpr uint16_t kOfferedLanguages[] = {0x409, 0x411, 0x404, 0x804, 0x416, 0x816,
                                          0x40C, 0x407, 0x40A, 0x410, 0x412, 0x419};

// CJK, Hangul and full-width forms take a full em, a blank a quarter, everything else
// about half.
double EstimatedEms(std::u16string_view text) {
  double ems = 0;
  for (char16_t c : text) {
    ems += c >= 0x2E80 ? 1.0 : c == u' ' ? 0.25 : 0.5;
  }
  return ems;
}

TEST(UpdateIniData, EveryOfferedLanguageIsListedOnceWithItsOwnTextsWithinTheirBuffers) {
  std::ifstream file(std::string(TBT_SOURCE_DIR) + "/data/Update.ini", std::ios::binary);
  ASSERT_TRUE(file) << "data/Update.ini is missing";
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), {});
  const std::u16string text = DecodeIniText(bytes);
  std::set<std::u16string> listed;
  std::set<std::u16string_view> prompts;
  for (auto languageKey : IniKeyNames(text, u"Language")) {
    EXPECT_TRUE(listed.insert(std::u16string(languageKey)).second) << ToUtf8(languageKey);
    const auto section = FindIniValue(text, u"Language", languageKey).value_or(u"");
    SCOPED_TRACE(ToUtf8(section));
    EXPECT_FALSE(section.empty());
    EXPECT_LT(section.size(), kSectionNameCapacity);
    const auto value = [&](std::u16string_view key) {
      return FindIniValue(text, section, key).value_or(u"");
    };
    for (const auto& rule : kKeyRules) {
      SCOPED_TRACE(ToUtf8(rule.key));
      EXPECT_FALSE(value(rule.key).empty());
      EXPECT_LT(value(rule.key).size(), rule.capacity);
      EXPECT_LE(EstimatedEms(value(rule.key)), rule.maxEms) << "too wide";
      // A replacement character means the file holds bytes that are not UTF-8.
      EXPECT_EQ(value(rule.key).find(u'\uFFFD'), std::u16string_view::npos);
    }
    // Messages name the buttons by their captions; no section was copied from another.
    EXPECT_NE(value(u"IDS_PROMPT").find(value(u"IDS_UPDATE")), std::u16string_view::npos);
    EXPECT_NE(value(u"IDS_SUCCESS").find(value(u"IDS_SHUTDOWN")), std::u16string_view::npos);
    prompts.insert(value(u"IDS_PROMPT"));
    if (languageKey == u"0x409") {
      // The program carries the English texts built in, exactly as the file has them.
      for (const auto& rule : kKeyRules) {
        EXPECT_EQ(BuiltInText(rule.key), value(rule.key)) << ToUtf8(rule.key);
      }
    }
  }
  std::set<std::u16string> offered;
  for (uint16_t id : kOfferedLanguages) {
    offered.insert(LanguageKeyName(id));
  }
  EXPECT_EQ(listed, offered);
  EXPECT_EQ(prompts.size(), listed.size());
}

}  // namespace
}  // namespace tbt::strings
