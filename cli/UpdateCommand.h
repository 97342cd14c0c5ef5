#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/PlatformChoice.h"

namespace tbt::cli {

/// `tbt-nvm update IMAGE [--controller-nvm FILE | --controller-image FILE]
/// [--downgradable] [--allow-battery] [--json] [--real-waits]`: runs the whole update
/// worker with IMAGE, unless the machine runs on battery and `--allow-battery` is absent,
/// on an emulated machine whose controller holds the named file, or without one on
/// `platform` (the built-in emulated machine, or this machine through the Linux
/// backend). `args` are the words after "update". Returns the process exit code: 0
/// when the update succeeded, 1 when it ended with a failure code, 2 for a usage or
/// file error.
int RunUpdateCommand(const std::vector<std::string>& args, const PlatformSelection& platform,
                     std::ostream& out, std::ostream& err);

}  // namespace tbt::cli
