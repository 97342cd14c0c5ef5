#include "platform/LanguageIds.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace tbt::platform {
namespace {

TEST(LanguageIdFromLocale, MapsLocaleNamesToWindowsIds) {
  const struct {
    const char* locale;
    uint16_t expected;
  } cases[] = {
      // The locales the tool has texts for.
      {"ja_JP.UTF-8", 0x411},
      {"zh_HK", 0xC04},
      {"pt_BR", 0x416},
      // Codeset and modifier are optional, case does not matter, '-' separates too.
      {"de_at.utf8", 0xC07},
      {"ca_ES.UTF-8@valencia", 0x803},
      {"sr_RS", 0x281A},
      {"sr_RS@latin", 0x241A},
      {"zh-Hant", 0x404},
      // A bare language, or one with a country not listed, gets the language's default.
      {"zh", 0x804},
      {"fr_SN", 0x40C},
      // Neutral and unknown locales read US English.
      {"", 0x409},
      {"xx_YY", 0x409},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LanguageIdFromLocale(c.locale), c.expected) << '"' << c.locale << '"';
  }
}

TEST(UserUiLanguageFromEnvironment, TakesTheFirstVariableThatIsSet) {
  const struct {
    const char* name;
    std::map<std::string, std::string> variables;
    uint16_t expected;
  } cases[] = {
      {"nothing set", {}, 0x409},
      {"LC_MESSAGES before LANG", {{"LC_MESSAGES", "ko_KR"}, {"LANG", "ja_JP"}}, 0x412},
      {"LC_ALL before LC_MESSAGES",
       {{"LC_ALL", "pt_PT"}, {"LC_MESSAGES", "ko_KR"}, {"LANG", "ja_JP"}},
       0x816},
      {"LANGUAGE before all",
       {{"LANGUAGE", "fr_CA"}, {"LC_ALL", "pt_PT"}, {"LANG", "ja_JP"}},
       0xC0C},
      {"first entry of LANGUAGE", {{"LANGUAGE", "zh_TW:zh_CN:en"}, {"LANG", "ja_JP"}}, 0x404},
      {"empty entries of LANGUAGE skipped", {{"LANGUAGE", "::de_CH"}}, 0x807},
      {"empty LANGUAGE skipped", {{"LANGUAGE", ""}, {"LANG", "ru_RU.UTF-8"}}, 0x419},
      {"empty LC_ALL skipped", {{"LC_ALL", ""}, {"LANG", "de_DE"}}, 0x407},
      {"C is a value", {{"LC_ALL", "C"}, {"LANG", "de_DE"}}, 0x409},
  };
  for (const auto& c : cases) {
    const auto getenv = [&c](const char* name) -> const char* {
      const auto it = c.variables.find(name);
      return it == c.variables.end() ? nullptr : it->second.c_str();
    };
    EXPECT_EQ(UserUiLanguageFromEnvironment(getenv), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace tbt::platform
