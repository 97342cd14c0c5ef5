#pragma once

// Which backend `check` and `update` run on when their command line names no emulated
// controller. main() reads TBT_PLATFORM; the commands only see the parsed choice.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/emulated/EmulatedPower.h"
#include "platform/emulated/LaunchVariables.h"

namespace tbt::cli {

/// The backends a command can run on; TBT_PLATFORM is read as the window reads it.
using PlatformChoice = emulated::Backend;

/// Where a command runs when no emulated controller is given on its command line.
struct PlatformSelection {
  // Written out so that `{choice, root}` needs no initialiser for the emulated fields.
  PlatformSelection(PlatformChoice chosen = emulated::kNativeBackend,
                    std::filesystem::path root = "/sys")
      : choice(chosen), sysfsRoot(std::move(root)) {}

  PlatformChoice choice = emulated::kNativeBackend;
  /// The Linux backend's sysfs root; tests point it at a tree of their own.
  std::filesystem::path sysfsRoot = "/sys";
  /// On the emulated backend, as for the window: TBT_EMULATED_CONTROLLER, an image or
  /// NVM file that replaces the built-in controller's firmware (empty: the built-in one),
  /// and TBT_EMULATED_POWER, the machine's power source.
  std::string emulatedControllerFile;
  emulated::PowerMode emulatedPower = emulated::PowerMode::kMains;
};

/// The emulated backend's variables as main() read them; null when unset.
struct EmulatedEnvironment {
  const char* controllerFile = nullptr;
  const char* power = nullptr;
};

/// Reads a TBT_PLATFORM value as emulated::ParseBackend does. False with *error (one
/// sentence) for a value that names no backend of this build.
bool ParsePlatformChoice(const char* value, PlatformChoice* choice, std::string* error);

/// Reads the emulated backend's variables into *selection: TBT_EMULATED_POWER unset,
/// empty or "mains", "battery" or "fail" (the power query fails, which blocks nothing).
/// False with *error (one sentence) for another power value.
bool ParseEmulatedEnvironment(const EmulatedEnvironment& environment, PlatformSelection* selection,
                              std::string* error);

/// The NVM of the emulated controller a selection names: the built-in one, or the file
/// of TBT_EMULATED_CONTROLLER (an image's section, or the bytes of any other file). False
/// with *error naming the file when it cannot be read or is empty.
bool EmulatedControllerNvm(const PlatformSelection& selection, std::vector<uint8_t>* nvm,
                           std::string* error);

/// The real-hardware backend `choice` names (linux on `sysfsRoot`, or windows) with the
/// real clock, for a program path (empty: this program's); null when this build has no
/// such backend.
std::unique_ptr<platform::IPlatform> CreateHardwarePlatform(PlatformChoice choice,
                                                            const std::filesystem::path& sysfsRoot,
                                                            std::u16string moduleFileName);

/// The sentence for a backend this build lacks ("this build has no Linux backend; ...").
std::string MissingBackendError(PlatformChoice choice);

/// The kernel's authentication status a Linux ReturnValue carries ("the controller
/// refused the image (status 0x41)"); nullopt for any other result or platform.
std::optional<uint32_t> AuthenticationStatus(uint32_t result, PlatformChoice ranOn);

/// True when `result` says the provider refused before a byte reached the controller:
/// the administrator authorisation for the Linux helper was refused or dismissed.
bool RefusedBeforeWriting(uint32_t result, PlatformChoice ranOn);

/// The sentence that says why a command ended with `result`: the Linux provider's own
/// description of its ReturnValues when the command ran there, else the tool's.
std::string ResultReason(uint32_t result, PlatformChoice ranOn);

}  // namespace tbt::cli
