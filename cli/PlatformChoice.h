#pragma once

// Which backend `check` and `update` run on when their command line names no emulated
// controller. main() reads TBT_PLATFORM; the commands only see the parsed choice.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/Platform.h"

namespace tbt::cli {

/// The backends a command can run on.
enum class PlatformChoice {
  kLinux,
  kEmulated,
};

/// Where a command runs when no emulated controller is given on its command line.
struct PlatformSelection {
  PlatformChoice choice = PlatformChoice::kLinux;
  /// The Linux backend's sysfs root; tests point it at a tree of their own.
  std::filesystem::path sysfsRoot = "/sys";
};

/// Reads a TBT_PLATFORM value: unset (null) or empty is linux, then "linux" or
/// "emulated" exactly. False with *error (one sentence) for anything else.
bool ParsePlatformChoice(const char* value, PlatformChoice* choice, std::string* error);

/// The Linux backend on `sysfsRoot` with the real clock, for a program path (empty:
/// this program's); null when this build has no Linux backend.
std::unique_ptr<platform::IPlatform> CreateLinuxPlatformAt(const std::filesystem::path& sysfsRoot,
                                                           std::u16string moduleFileName);

/// The sentence that says why a command ended with `result`: the Linux provider's own
/// description of its ReturnValues when the command ran there, else the tool's.
std::string ResultReason(uint32_t result, PlatformChoice ranOn);

}  // namespace tbt::cli
