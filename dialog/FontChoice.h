#pragma once

// Font families follow the user's interface language, never the text language.

#include <cstdint>
#include <string_view>

namespace tbt::ui {

/// Regular and bold as the text drawing code numbers them.
inline constexpr int kFontStyleRegular = 0;
inline constexpr int kFontStyleBold = 1;

/// The families and button style for one interface language.
struct FontChoice {
  std::u16string_view buttonFamily;
  int buttonStyle = kFontStyleRegular;
  std::u16string_view textFamily;
};

/// The family of the version caption, the same in every language.
inline constexpr std::u16string_view kVersionFontFamily = u"Segoe UI";

/// Fonts for a UI language: any Chinese first, then exactly Japanese 0x0411, else
/// the Western pair.
constexpr FontChoice FontsForUiLanguage(uint16_t uiLanguage) {
  if ((uiLanguage & 0x3FF) == 0x04) {
    return {u"\u5FAE\u8EDF\u6B63\u9ED1\u9AD4", kFontStyleBold, u"\u5FAE\u8EDF\u6B63\u9ED1\u9AD4"};
  }
  if (uiLanguage == 0x0411) {
    return {u"MS P Gothic", kFontStyleBold, u"MS P Gothic"};
  }
  return {u"Segoe WP N Semibold", kFontStyleRegular, u"Segoe WP"};
}

}  // namespace tbt::ui
