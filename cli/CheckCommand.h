#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/ControllerCheck.h"
#include "cli/ControllerFiles.h"
#include "cli/PlatformChoice.h"

namespace tbt::cli {

/// What `tbt-nvm check` was asked to do.
struct CheckRequest {
  std::string imagePath;
  ControllerFiles controller;  // none: the chosen platform's controller
  std::optional<uint32_t> installedVersion;
  std::optional<std::string> controllerId;
  std::optional<std::string> sysfsRoot;  // --sysfs-root: the Linux backend's tree
  bool json = false;
};

/// Parses the words after "check". False with *error (one sentence) on a usage error.
bool ParseCheckArguments(const std::vector<std::string>& args, CheckRequest* request,
                         std::string* error);

/// The report as one JSON object (without a line end).
std::string FormatCheckJson(const CheckReport& report);

/// The report as readable lines: `controller` says which controller was checked, and a
/// refusal is explained (the failing region, or the provider's reason).
std::string FormatCheckText(const CheckReport& report, const std::string& imagePath,
                            const std::string& controller);

/// `tbt-nvm check IMAGE [--controller-nvm FILE | --controller-image FILE]
/// [--installed-version N] [--controller-id STR] [--json]`. Without a controller file
/// the check runs on `platform`: the built-in emulated controller, or the Linux
/// backend's (read only). Returns 0 when the image fits, 1 when the check refused it,
/// 2 for a usage or file error.
int RunCheckCommand(const std::vector<std::string>& args, const PlatformSelection& platform,
                    std::ostream& out, std::ostream& err);

}  // namespace tbt::cli
