// Checks the texts the tool ships in data/Update.ini: every language it offers has every
// text, and each fits the buffer it is read into.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Utf16.h"
#include "strings/BuiltInTexts.h"
#include "strings/IniFile.h"
#include "strings/LocalizedString.h"

namespace tbt::strings {
namespace {

// Each text and the units of the buffer it is read into, with its zero. The error text
// leaves 13 units of its buffer for " (0X%08X)".
constexpr std::pair<const char16_t*, size_t> kKeyCapacities[] = {
    {u"IDS_UPDATE", 512},     {u"IDS_EXIT", 512},        {u"IDS_PROMPT", 512},
    {u"IDS_CAUTION", 512},    {u"IDS_SHUTDOWN", 512},    {u"IDS_SHUTDOWN_LATER", 512},
    {u"IDS_SUCCESS", 256},    {u"IDS_FIND_NO_SW", 256},  {u"IDS_DOWNGRADE", 256},
    {u"IDS_ERROR", 256 - 13}, {u"IDS_FIND_NO_KXR", 256}, {u"IDS_EMULATED", 512},
};

// The languages the tool is delivered with.
constexpr uint16_t kOfferedLanguages[] = {0x409, 0x411, 0x404, 0x804, 0x416, 0x816,
                                          0x40C, 0x407, 0x40A, 0x410, 0x412, 0x419};

TEST(UpdateIniData, EveryOfferedLanguageIsListedOnceWithItsOwnTextsWithinTheirBuffers) {
  std::ifstream file(std::string(TBT_SOURCE_DIR) + "/data/Update.ini", std::ios::binary);
  ASSERT_TRUE(file) << "data/Update.ini is missing";
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), {});
  const std::u16string text = DecodeIniText(bytes);
  std::set<std::u16string> listed;
  for (auto languageKey : IniKeyNames(text, u"Language")) {
    EXPECT_TRUE(listed.insert(std::u16string(languageKey)).second) << ToUtf8(languageKey);
    const auto section = FindIniValue(text, u"Language", languageKey).value_or(u"");
    SCOPED_TRACE(ToUtf8(section));
    EXPECT_FALSE(section.empty());
    EXPECT_LT(section.size(), kSectionNameCapacity);
    const auto value = [&](std::u16string_view key) {
      return FindIniValue(text, section, key).value_or(u"");
    };
    for (const auto& [key, capacity] : kKeyCapacities) {
      SCOPED_TRACE(ToUtf8(key));
      EXPECT_FALSE(value(key).empty());
      EXPECT_LT(value(key).size(), capacity);
      // A replacement character means the file holds bytes that are not UTF-8.
      EXPECT_EQ(value(key).find(u'\uFFFD'), std::u16string_view::npos);
    }
    if (languageKey == u"0x409") {
      // The program carries the English texts built in, exactly as the file has them.
      for (const auto& [key, capacity] : kKeyCapacities) {
        EXPECT_EQ(BuiltInText(key), value(key)) << ToUtf8(key);
      }
    }
  }
  std::set<std::u16string> offered;
  for (uint16_t id : kOfferedLanguages) {
    offered.insert(LanguageKeyName(id));
  }
  EXPECT_EQ(listed, offered);
}

}  // namespace
}  // namespace tbt::strings
