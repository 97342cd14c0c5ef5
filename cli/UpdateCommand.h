#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tbt::cli {

/// `tbt-nvm update IMAGE [--controller-nvm FILE | --controller-image FILE]
/// [--downgradable] [--json] [--real-waits]`: runs the whole update worker on the
/// emulated platform with IMAGE. `args` are the words after "update". Returns the
/// process exit code: 0 when the update succeeded, 1 when it ended with a failure
/// code, 2 for a usage or file error.
int RunUpdateCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tbt::cli
