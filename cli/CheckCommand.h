#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "update/ResultCodes.h"

namespace tbt::cli {

/// What `tbt-nvm check` was asked to do.
struct CheckRequest {
  std::string imagePath;
  std::string controllerNvmPath;    // the file's bytes are the controller's NVM
  std::string controllerImagePath;  // the NVM is this image from its section on
  std::optional<uint32_t> installedVersion;
  std::optional<std::string> controllerId;
  bool json = false;
};

/// Parses the words after "check". False with *error (one sentence) on a usage error.
bool ParseCheckArguments(const std::vector<std::string>& args, CheckRequest* request,
                         std::string* error);

/// The outcome of one check against an emulated controller.
struct CheckReport {
  UpdateResult result = TBU_OK;
  std::optional<uint32_t> imageVersion;  // set on success only
  uint32_t installedVersion = 0;
  int failedRow = -1;    // index into kNvmCheckTable on a region mismatch
  size_t readCalls = 0;  // ReadFirmware calls the check made
};

/// Checks `image` against an emulated controller whose NVM is `nvm`, reached through
/// the provider client as the update does. `installedVersion` overrides the version
/// the controller reports.
CheckReport CheckAgainstEmulatedController(const std::vector<uint8_t>& image,
                                           const std::vector<uint8_t>& nvm,
                                           const std::u16string& controllerId,
                                           std::optional<uint32_t> installedVersion);

/// The report as one JSON object (without a line end).
std::string FormatCheckJson(const CheckReport& report);

/// The report as readable lines naming the failing region.
std::string FormatCheckText(const CheckReport& report, const std::string& imagePath,
                            const std::string& controllerSource);

/// `tbt-nvm check IMAGE (--controller-nvm FILE | --controller-image FILE)
/// [--installed-version N] [--controller-id STR] [--json]`. Returns 0 when the image
/// fits, 1 when the check refused it, 2 for a usage or file error.
int RunCheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tbt::cli
