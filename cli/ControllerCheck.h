#pragma once

// One compatibility check of an image against a controller, made through the provider
// client exactly as the update makes it before writing anything.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/PlatformChoice.h"
#include "platform/wmi/Wmi.h"
#include "update/NvmCheck.h"
#include "update/ResultCodes.h"

namespace tbt::cli {

/// The outcome of one check.
struct CheckReport {
  UpdateResult result = TBU_OK;
  /// The image's version whenever it was read, and the row that ended the check.
  NvmCheckDetail check;
  uint32_t installedVersion = 0;
  size_t readCalls = 0;  // ReadFirmware calls the check made
  /// The backend the controller was reached on; it decides how a result is explained.
  PlatformChoice ranOn = PlatformChoice::kEmulated;
};

/// Checks `image` against the first controller of the Thunderbolt namespace in
/// `registry`: connect, read the installed version, then the check. A failure to
/// connect or to read the version ends the check with that result. The registry's
/// provider is wrapped for the run to count ReadFirmware calls, then put back.
CheckReport CheckThroughProvider(wmi::NamespaceRegistry& registry,
                                 const std::vector<uint8_t>& image);

/// Checks `image` against an emulated controller whose NVM is `nvm`. `installedVersion`
/// overrides the version the controller reports.
CheckReport CheckAgainstEmulatedController(const std::vector<uint8_t>& image,
                                           const std::vector<uint8_t>& nvm,
                                           const std::u16string& controllerId,
                                           std::optional<uint32_t> installedVersion);

}  // namespace tbt::cli
