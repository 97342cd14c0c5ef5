#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tbt::cli {

/// `tbt-nvm info IMAGE [--json]`: prints the image's sections, controller, version,
/// header level, section flags and the regions the check compares. Returns 0 for an
/// image the check can read, 1 for one it refuses, 2 for a usage or file error.
int RunInfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tbt::cli
