#include "platform/LanguageIds.h"

#include <array>
#include <cstdlib>
#include <string>

#include "platform/AsciiCase.h"

namespace tbt::platform {
namespace {

struct LocaleLanguage {
  std::string_view language;  // ISO 639 code, lower case
  std::string_view country;   // ISO 3166 code or script; empty for the language's default
  std::string_view modifier;  // the part after '@'; empty when it does not matter
  uint16_t id;
};

// Windows language ids of the locales a desktop session commonly names. The entry with
// an empty country is what a locale of that language with any other country gets.
constexpr std::array kLocaleLanguages = std::to_array<LocaleLanguage>({
    {"af", "", "", 0x0436},
    {"am", "", "", 0x045E},
    {"ar", "", "", 0x0401},
    {"ar", "SA", "", 0x0401},
    {"ar", "IQ", "", 0x0801},
    {"ar", "EG", "", 0x0C01},
    {"ar", "LY", "", 0x1001},
    {"ar", "DZ", "", 0x1401},
    {"ar", "MA", "", 0x1801},
    {"ar", "TN", "", 0x1C01},
    {"ar", "OM", "", 0x2001},
    {"ar", "YE", "", 0x2401},
    {"ar", "SY", "", 0x2801},
    {"ar", "JO", "", 0x2C01},
    {"ar", "LB", "", 0x3001},
    {"ar", "KW", "", 0x3401},
    {"ar", "AE", "", 0x3801},
    {"ar", "BH", "", 0x3C01},
    {"ar", "QA", "", 0x4001},
    {"az", "", "", 0x042C},
    {"be", "", "", 0x0423},
    {"bg", "", "", 0x0402},
    {"bn", "", "", 0x0445},
    {"bn", "BD", "", 0x0845},
    {"bs", "", "", 0x141A},
    {"ca", "", "", 0x0403},
    {"ca", "ES", "valencia", 0x0803},
    {"cs", "", "", 0x0405},
    {"cy", "", "", 0x0452},
    {"da", "", "", 0x0406},
    {"de", "", "", 0x0407},
    {"de", "CH", "", 0x0807},
    {"de", "AT", "", 0x0C07},
    {"de", "LU", "", 0x1007},
    {"de", "LI", "", 0x1407},
    {"el", "", "", 0x0408},
    {"en", "", "", 0x0409},
    {"en", "GB", "", 0x0809},
    {"en", "AU", "", 0x0C09},
    {"en", "CA", "", 0x1009},
    {"en", "NZ", "", 0x1409},
    {"en", "IE", "", 0x1809},
    {"en", "ZA", "", 0x1C09},
    {"en", "JM", "", 0x2009},
    {"en", "BZ", "", 0x2809},
    {"en", "TT", "", 0x2C09},
    {"en", "ZW", "", 0x3009},
    {"en", "PH", "", 0x3409},
    {"en", "IN", "", 0x4009},
    {"en", "MY", "", 0x4409},
    {"en", "SG", "", 0x4809},
    // Spain's Spanish is the modern sort (0x0C0A), as Windows chooses for es-ES.
    {"es", "", "", 0x0C0A},
    {"es", "ES", "", 0x0C0A},
    {"es", "MX", "", 0x080A},
    {"es", "GT", "", 0x100A},
    {"es", "CR", "", 0x140A},
    {"es", "PA", "", 0x180A},
    {"es", "DO", "", 0x1C0A},
    {"es", "VE", "", 0x200A},
    {"es", "CO", "", 0x240A},
    {"es", "PE", "", 0x280A},
    {"es", "AR", "", 0x2C0A},
    {"es", "EC", "", 0x300A},
    {"es", "CL", "", 0x340A},
    {"es", "UY", "", 0x380A},
    {"es", "PY", "", 0x3C0A},
    {"es", "BO", "", 0x400A},
    {"es", "SV", "", 0x440A},
    {"es", "HN", "", 0x480A},
    {"es", "NI", "", 0x4C0A},
    {"es", "PR", "", 0x500A},
    {"es", "US", "", 0x540A},
    {"et", "", "", 0x0425},
    {"eu", "", "", 0x042D},
    {"fa", "", "", 0x0429},
    {"fi", "", "", 0x040B},
    {"fil", "", "", 0x0464},
    {"fo", "", "", 0x0438},
    {"fr", "", "", 0x040C},
    {"fr", "BE", "", 0x080C},
    {"fr", "CA", "", 0x0C0C},
    {"fr", "CH", "", 0x100C},
    {"fr", "LU", "", 0x140C},
    {"fr", "MC", "", 0x180C},
    {"ga", "", "", 0x083C},
    {"gl", "", "", 0x0456},
    {"gu", "", "", 0x0447},
    {"he", "", "", 0x040D},
    {"hi", "", "", 0x0439},
    {"hr", "", "", 0x041A},
    {"hr", "BA", "", 0x101A},
    {"hu", "", "", 0x040E},
    {"hy", "", "", 0x042B},
    {"id", "", "", 0x0421},
    {"is", "", "", 0x040F},
    {"it", "", "", 0x0410},
    {"it", "CH", "", 0x0810},
    {"ja", "", "", 0x0411},
    {"ka", "", "", 0x0437},
    {"kk", "", "", 0x043F},
    {"km", "", "", 0x0453},
    {"kn", "", "", 0x044B},
    {"ko", "", "", 0x0412},
    {"ky", "", "", 0x0440},
    {"lo", "", "", 0x0454},
    {"lt", "", "", 0x0427},
    {"lv", "", "", 0x0426},
    {"mk", "", "", 0x042F},
    {"ml", "", "", 0x044C},
    {"mn", "", "", 0x0450},
    {"mr", "", "", 0x044E},
    {"ms", "", "", 0x043E},
    {"ms", "BN", "", 0x083E},
    {"mt", "", "", 0x043A},
    {"nb", "", "", 0x0414},
    {"ne", "", "", 0x0461},
    {"nl", "", "", 0x0413},
    {"nl", "BE", "", 0x0813},
    {"nn", "", "", 0x0814},
    {"no", "", "", 0x0414},
    {"pa", "", "", 0x0446},
    {"pl", "", "", 0x0415},
    {"pt", "", "", 0x0416},
    {"pt", "BR", "", 0x0416},
    {"pt", "PT", "", 0x0816},
    {"rm", "", "", 0x0417},
    {"ro", "", "", 0x0418},
    {"ru", "", "", 0x0419},
    {"si", "", "", 0x045B},
    {"sk", "", "", 0x041B},
    {"sl", "", "", 0x0424},
    {"sq", "", "", 0x041C},
    // Serbian shares its primary language with Croatian, so its ids are listed in full;
    // the system's sr_RS is Cyrillic.
    {"sr", "", "", 0x281A},
    {"sr", "", "latin", 0x241A},
    {"sr", "ME", "", 0x301A},
    {"sr", "ME", "latin", 0x2C1A},
    {"sv", "", "", 0x041D},
    {"sv", "FI", "", 0x081D},
    {"sw", "", "", 0x0441},
    {"ta", "", "", 0x0449},
    {"te", "", "", 0x044A},
    {"tg", "", "", 0x0428},
    {"th", "", "", 0x041E},
    {"tr", "", "", 0x041F},
    {"tt", "", "", 0x0444},
    {"uk", "", "", 0x0422},
    {"ur", "", "", 0x0420},
    {"uz", "", "", 0x0443},
    {"vi", "", "", 0x042A},
    // A bare "zh" is read as Simplified Chinese, as Windows does for its neutral
    // Chinese; Taiwan's id (sub-language 1) would show most readers the wrong script.
    {"zh", "", "", 0x0804},
    {"zh", "CN", "", 0x0804},
    {"zh", "TW", "", 0x0404},
    {"zh", "HK", "", 0x0C04},
    {"zh", "SG", "", 0x1004},
    {"zh", "MO", "", 0x1404},
    {"zh", "Hans", "", 0x0804},
    {"zh", "Hant", "", 0x0404},
});

// Every language listed must have its default entry, or a locale of that language with
// an unlisted country would fall through to English.
constexpr bool EveryLanguageHasDefault() {
  for (const auto& entry : kLocaleLanguages) {
    bool found = false;
    for (const auto& other : kLocaleLanguages) {
      found = found ||
              (other.language == entry.language && other.country.empty() && other.modifier.empty());
    }
    if (!found) {
      return false;
    }
  }
  return true;
}
static_assert(EveryLanguageHasDefault());

const LocaleLanguage* FindEntry(std::string_view language, std::string_view country,
                                std::string_view modifier) {
  for (const auto& entry : kLocaleLanguages) {
    if (EqualsIgnoreAsciiCase(entry.language, language) &&
        EqualsIgnoreAsciiCase(entry.country, country) &&
        EqualsIgnoreAsciiCase(entry.modifier, modifier)) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace

uint16_t LanguageIdFromLocale(std::string_view localeName) {
  // language[_COUNTRY][.codeset][@modifier]; BCP 47 style "de-CH" is read the same.
  std::string_view modifier;
  if (const size_t at = localeName.find('@'); at != std::string_view::npos) {
    modifier = localeName.substr(at + 1);
    localeName = localeName.substr(0, at);
  }
  if (const size_t dot = modifier.find('.'); dot != std::string_view::npos) {
    modifier = modifier.substr(0, dot);
  }
  if (const size_t dot = localeName.find('.'); dot != std::string_view::npos) {
    localeName = localeName.substr(0, dot);
  }
  std::string_view language = localeName;
  std::string_view country;
  if (const size_t sep = localeName.find_first_of("_-"); sep != std::string_view::npos) {
    language = localeName.substr(0, sep);
    country = localeName.substr(sep + 1);
    country = country.substr(0, country.find_first_of("_-"));
  }
  if (language.empty() || EqualsIgnoreAsciiCase(language, "C") ||
      EqualsIgnoreAsciiCase(language, "POSIX")) {
    return kLanguageIdEnglishUs;
  }
  const LocaleLanguage* entry = FindEntry(language, country, modifier);
  if (entry == nullptr) {
    entry = FindEntry(language, country, "");
  }
  if (entry == nullptr) {
    entry = FindEntry(language, "", modifier);
  }
  if (entry == nullptr) {
    entry = FindEntry(language, "", "");
  }
  return entry != nullptr ? entry->id : kLanguageIdEnglishUs;
}

uint16_t UserUiLanguageFromEnvironment(const EnvironmentReader& getenv) {
  // LANGUAGE is a colon-separated list of preferences; its first one counts.
  if (const char* list = getenv("LANGUAGE"); list != nullptr) {
    std::string_view rest(list);
    while (!rest.empty()) {
      const size_t colon = rest.find(':');
      const std::string_view first = rest.substr(0, colon);
      if (!first.empty()) {
        return LanguageIdFromLocale(first);
      }
      rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (const char* value = getenv(name); value != nullptr && value[0] != '\0') {
      return LanguageIdFromLocale(value);
    }
  }
  return kLanguageIdEnglishUs;
}

uint16_t UserUiLanguageFromEnvironment() {
  return UserUiLanguageFromEnvironment([](const char* name) { return std::getenv(name); });
}

}  // namespace tbt::platform
