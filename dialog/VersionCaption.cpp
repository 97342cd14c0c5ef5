#include "dialog/VersionCaption.h"

#include <cstdio>

#include "platform/Utf16.h"

namespace tbt::ui {

std::u16string FormatVersionCaption(const ProgramVersion& version) {
  char text[64];
  std::snprintf(text, sizeof text, "V%d.%d.%d.%d", version.major, version.minor, version.patch,
                version.tweak);
  return ToUtf16(text);
}

}  // namespace tbt::ui
