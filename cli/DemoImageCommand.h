#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tbt::cli {

/// `tbt-nvm demo-image OUT`: writes a firmware image that fits the built-in emulated
/// controller, one version newer. Returns 0 when written, 2 for a usage or file error.
int RunDemoImageCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tbt::cli
