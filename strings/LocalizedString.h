#pragma once

// Every text the window shows comes from data/Update.ini beside the program, looked up
// anew on each call: the "Language" section names the section of the texts for a
// language id, with "0x409" as the fallback.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tbt::platform {
class ISystemInfo;
}

namespace tbt::strings {

/// Capacity of the buffer that receives the program's path; a longer path arrives cut.
inline constexpr size_t kModulePathCapacity = 1024;
/// Capacity of the buffer that receives the name of a language's section.
inline constexpr size_t kSectionNameCapacity = 30;
/// Where the texts live, relative to the program's folder.
inline constexpr std::u16string_view kIniRelativePath = u"data/Update.ini";

/// The id under which a language is listed: Chinese folded to Taiwan (0x404) or PRC
/// (0x804), Portuguese kept apart, every other language reduced to primary | 0x400.
uint16_t NormalizeLanguageId(uint32_t langId);

/// The "Language" key of a normalised id: "0x" and upper-case hex ("0x40C").
std::u16string LanguageKeyName(uint16_t normalizedId);

/// The INI file's path: the program path (cut to the module-path capacity) up to and
/// including its last '/' (on Windows its last '/' or '\\'), or whole when it has none,
/// followed by "data/Update.ini".
std::u16string IniPathForModule(std::u16string_view modulePath);

/// Fills `buffer` (of `capacity` units) with the text of `key` for `langId` read from
/// the INI file beside the program at `modulePath`, cut to capacity - 1 units; the text
/// is empty when anything is missing. Does nothing when `key` or `buffer` is null.
void LoadLocalizedString(std::u16string_view modulePath, uint32_t langId, const char16_t* key,
                         char16_t* buffer, size_t capacity);

/// As above, with the program path taken from the platform's ModuleFileName().
void LoadLocalizedString(platform::ISystemInfo& system, uint32_t langId, const char16_t* key,
                         char16_t* buffer, size_t capacity);

/// As LoadLocalizedString, but a text the file does not give (the file missing, empty
/// or unreadable, the entry missing or empty) is the built-in English one, cut to
/// capacity - 1 units, so no control is ever left without its caption.
void LoadTextOrBuiltIn(platform::ISystemInfo& system, uint32_t langId, const char16_t* key,
                       char16_t* buffer, size_t capacity);

}  // namespace tbt::strings
