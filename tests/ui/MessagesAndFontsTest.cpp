#include <gtest/gtest.h>

#include <map>

#include "ui/ResultMessage.h"

namespace tbt::ui {
namespace {

TextLookup LookupFrom(std::map<std::u16string, std::u16string> texts) {
  return [texts = std::move(texts)](std::u16string_view key, std::size_t) {
    const auto found = texts.find(std::u16string(key));
    return found == texts.end() ? std::u16string() : found->second;
  };
}

const TextLookup kEnglish = LookupFrom({
    {u"IDS_SUCCESS", u"Done."},
    {u"IDS_FIND_NO_SW", u"No Thunderbolt software."},
    {u"IDS_DOWNGRADE", u"The image is older."},
    {u"IDS_ERROR", u"Update failed"},
});

TEST(ResultMessage, MapsEachResultToItsText) {
  struct Case {
    UpdateResult result;
    std::u16string expected;
  };
  const Case cases[] = {
      {TBU_OK, u"Done."},
      {TBU_E_WMI_FAILED, u"No Thunderbolt software."},
      {TBU_E_DOWNGRADE, u"The image is older."},
      {0x1043000A, u"Update failed (0X1043000A)"},
      {5, u"Update failed (0X00000005)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ComposeResultMessage(c.result, kEnglish), c.expected) << std::hex << c.result;
  }
}

TEST(ResultMessage, MissingOrLongTextsStayInTheBufferWithTheCodeAndWholePairs) {
  const std::u16string smiley = u"\U0001F600";
  // 241 units, then a pair that would straddle the 242-unit limit for the error text.
  const std::u16string straddling = std::u16string(241, u'a') + smiley + u"bbbb";
  const struct {
    UpdateResult result;
    std::map<std::u16string, std::u16string> texts;
    std::u16string expected;
  } cases[] = {
      {0x10430006, {}, u" (0X10430006)"},
      {TBU_OK, {}, u""},
      {0x10430005,
       {{u"IDS_ERROR", std::u16string(255, u'x')}},
       std::u16string(242, u'x') + u" (0X10430005)"},
      {0x10430005, {{u"IDS_ERROR", straddling}}, std::u16string(241, u'a') + u" (0X10430005)"},
      {TBU_OK, {{u"IDS_SUCCESS", std::u16string(254, u's') + smiley}}, std::u16string(254, u's')},
  };
  for (const auto& c : cases) {
    const std::u16string message = ComposeResultMessage(c.result, LookupFrom(c.texts));
    EXPECT_EQ(message, c.expected) << std::hex << c.result << " " << std::dec << message.size();
    EXPECT_LT(message.size(), kMessageCapacity);
  }
  EXPECT_EQ(CutWithoutSplittingPair(u"ab" + smiley, 3), u"ab");
  EXPECT_EQ(CutWithoutSplittingPair(u"ab" + smiley, 4), u"ab" + smiley);
}

}  // namespace
}  // namespace tbt::ui
