#pragma once

// The variables that choose where a program runs, read the same way by the window and
// tbt-nvm: TBT_PLATFORM (the backend) and TBT_EMULATED_POWER (the emulated machine's
// power source). An unknown value is an error, never a silent fall-back to real
// hardware.

#include <optional>
#include <string>

#include "platform/emulated/EmulatedPower.h"

namespace tbt::emulated {

/// The backends a program can run on.
enum class Backend {
  kLinux,
  kWindows,
  kEmulated,
};

/// The real-hardware backend of the system this program was built for.
#ifdef _WIN32
inline constexpr Backend kNativeBackend = Backend::kWindows;
#else
inline constexpr Backend kNativeBackend = Backend::kLinux;
#endif

/// TBT_PLATFORM: unset (null) or empty is this system's real backend; "linux" (in the
/// Linux build) or "windows" (in the Windows build) names it, "emulated" the emulated
/// machine. nullopt with *error (one sentence) for anything else, including the other
/// system's backend.
std::optional<Backend> ParseBackend(const char* value, std::string* error);

/// TBT_EMULATED_POWER: unset (null), empty or "mains", "battery", or "fail" (the power
/// query fails). nullopt with *error (one sentence) for anything else.
std::optional<PowerMode> ParsePowerMode(const char* value, std::string* error);

}  // namespace tbt::emulated
