#pragma once

// The user's interface language as a Windows language id, taken from the POSIX locale
// settings of the session. Backends call these from ISystemInfo::UserDefaultUILanguage.

#include <cstdint>
#include <functional>
#include <string_view>

namespace tbt::platform {

/// The id of US English, given for C, POSIX, empty and unknown locales.
inline constexpr uint16_t kLanguageIdEnglishUs = 0x409;

/// Maps a locale name such as "ja_JP.UTF-8", "pt_BR", "sr_RS@latin" or "de-CH" (language
/// and country in any case; codeset and modifier optional) to a Windows language id. An
/// unknown country gives the language's default id, an unknown language 0x409.
uint16_t LanguageIdFromLocale(std::string_view localeName);

/// Reads an environment variable; null when it is not set.
using EnvironmentReader = std::function<const char*(const char* name)>;

/// The language messages are shown in: the first non-empty of LANGUAGE (its first
/// entry), LC_ALL, LC_MESSAGES and LANG, mapped by LanguageIdFromLocale; 0x409 when
/// none is set.
uint16_t UserUiLanguageFromEnvironment(const EnvironmentReader& getenv);

/// As above, for the environment of this process.
uint16_t UserUiLanguageFromEnvironment();

}  // namespace tbt::platform
