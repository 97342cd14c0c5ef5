#pragma once

// The tool's version as the window shows it.

#include <string>

namespace tbt::ui {

/// The program's four-part file version, most significant first.
struct ProgramVersion {
  int major = 0;
  int minor = 0;
  int patch = 0;
  int tweak = 0;
};

/// "V%d.%d.%d.%d" of the version (1.0.0.9 gives "V1.0.0.9").
std::u16string FormatVersionCaption(const ProgramVersion& version);

}  // namespace tbt::ui
