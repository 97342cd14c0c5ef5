#pragma once

// Which backend a command runs on when no emulated controller is given on its command
// line: TBT_PLATFORM names it ("linux" or "emulated").

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace tbt::cli {

enum class PlatformChoice {
  kLinux,
  kEmulated,
  kUnknown,
};

/// Reads a TBT_PLATFORM value (null when unset gives `fallback`); names are matched
/// exactly, anything else is kUnknown.
PlatformChoice PlatformChoiceFromValue(const char* value, PlatformChoice fallback);

/// TBT_PLATFORM of this process, with `fallback` when it is unset.
PlatformChoice PlatformChoiceFromEnvironment(PlatformChoice fallback);

/// The real-hardware backend on /sys with the real clock, for a program path (empty:
/// this program's); null when this build has no Linux backend.
std::unique_ptr<platform::IPlatform> CreateLinuxPlatformForProgram(std::u16string moduleFileName);

/// A sentence for a provider ReturnValue of the Linux backend; empty for other values.
std::string LinuxReturnValueDescription(uint32_t value);

}  // namespace tbt::cli
