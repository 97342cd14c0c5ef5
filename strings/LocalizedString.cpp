#include "strings/LocalizedString.h"

#include <algorithm>
#include <array>

#include "platform/Platform.h"
#include "strings/BuiltInTexts.h"
#include "strings/IniFile.h"

namespace tbt::strings {
namespace {

constexpr std::u16string_view kLanguageSection = u"Language";
constexpr std::u16string_view kFallbackLanguageKey = u"0x409";
// "0x%X" of a 16-bit id needs at most 6 units and its zero.
constexpr size_t kLanguageKeyCapacity = 10;
static_assert(std::u16string_view(u"0xFFFF").size() < kLanguageKeyCapacity);

constexpr uint16_t kPrimaryChinese = 0x04;
constexpr uint16_t kPrimaryPortuguese = 0x16;
// Windows takes both separators in the program's path; elsewhere a backslash is part of
// a name.
#ifdef _WIN32
constexpr char16_t kFolderSeparators[] = u"\\/";
#else
constexpr char16_t kFolderSeparators[] = u"/";
#endif

}  // namespace

uint16_t NormalizeLanguageId(uint32_t langId) {
  const auto id = static_cast<uint16_t>(langId & 0xFFFF);
  const auto primary = static_cast<uint16_t>(id & 0x3FF);
  if (primary == kPrimaryChinese) {
    switch (id) {
      case 0x0404:
      case 0x0C04:
      case 0x1404:
        return 0x0404;  // Taiwan, Hong Kong and Macao read Traditional Chinese.
      case 0x0804:
      case 0x1004:
        return 0x0804;  // PRC and Singapore read Simplified Chinese.
      default:
        return id;
    }
  }
  if (primary == kPrimaryPortuguese) {
    return id;  // Brazil and Portugal have their own texts.
  }
  return static_cast<uint16_t>(primary | 0x400);
}

std::u16string LanguageKeyName(uint16_t normalizedId) {
  constexpr std::u16string_view kDigits = u"0123456789ABCDEF";
  std::u16string digits;
  uint16_t rest = normalizedId;
  do {
    digits.insert(digits.begin(), kDigits[rest & 0xF]);
    rest = static_cast<uint16_t>(rest >> 4);
  } while (rest != 0);
  return u"0x" + digits;
}

std::u16string IniPathForModule(std::u16string_view modulePath) {
  // The program path arrives in a fixed buffer, so a longer one is cut.
  modulePath = modulePath.substr(0, std::min(modulePath.size(), kModulePathCapacity - 1));
  const size_t slash = modulePath.find_last_of(kFolderSeparators);
  std::u16string path(slash == std::u16string_view::npos ? modulePath
                                                         : modulePath.substr(0, slash + 1));
  path += kIniRelativePath;
  return path;
}

void LoadLocalizedString(std::u16string_view modulePath, uint32_t langId, const char16_t* key,
                         char16_t* buffer, size_t capacity) {
  if (key == nullptr || buffer == nullptr) {
    return;
  }
  const uint16_t normalized = NormalizeLanguageId(langId);
  std::fill_n(buffer, capacity, u'\0');
  const std::u16string iniPath = IniPathForModule(modulePath);

  std::array<char16_t, kSectionNameCapacity> sectionName{};
  GetPrivateProfileString(kLanguageSection, LanguageKeyName(normalized), u"", sectionName.data(),
                          sectionName.size(), iniPath);
  // Only a missing or empty entry falls back; an entry naming a missing section does not.
  if (sectionName[0] == u'\0') {
    GetPrivateProfileString(kLanguageSection, kFallbackLanguageKey, u"", sectionName.data(),
                            sectionName.size(), iniPath);
    if (sectionName[0] == u'\0') {
      return;
    }
  }
  // The name is read as the zero-terminated text it is in its buffer.
  GetPrivateProfileString(std::u16string_view(sectionName.data()), key, u"", buffer, capacity,
                          iniPath);
}

void LoadLocalizedString(platform::ISystemInfo& system, uint32_t langId, const char16_t* key,
                         char16_t* buffer, size_t capacity) {
  if (key == nullptr || buffer == nullptr) {
    return;
  }
  LoadLocalizedString(system.ModuleFileName(), langId, key, buffer, capacity);
}

void LoadTextOrBuiltIn(platform::ISystemInfo& system, uint32_t langId, const char16_t* key,
                       char16_t* buffer, size_t capacity) {
  if (key == nullptr || buffer == nullptr || capacity == 0) {
    return;
  }
  LoadLocalizedString(system, langId, key, buffer, capacity);
  if (buffer[0] != u'\0') {
    return;
  }
  const std::u16string_view text = BuiltInText(key);
  std::copy_n(text.begin(), std::min(text.size(), capacity - 1), buffer);
}

}  // namespace tbt::strings
