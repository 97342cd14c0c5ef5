#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tbt::cli {

/// `tbt-nvm status [--json] [--sysfs-root DIR]`: lists the machine's Thunderbolt
/// controllers (id, NVM version, device and vendor names, whether they can be updated),
/// whether forced power is available and whether the machine runs on mains. Reads
/// only, so it works as a normal user. Returns 0 when a controller was found, 1 when
/// none was, 2 for a usage error.
int RunStatusCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tbt::cli
