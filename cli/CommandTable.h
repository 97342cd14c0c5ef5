#pragma once

// The sub-commands of tbt-nvm, each a function of its arguments and two streams.

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/PlatformChoice.h"

namespace tbt::cli {

/// One sub-command: its name, what it does, and the function that runs it.
struct Command {
  std::string_view name;
  std::string_view summary;
  int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

/// Runs the command named by args[0] with the rest of the words; prints the usage and
/// returns 2 when no command or an unknown one is named. "help" lists the commands.
int DispatchCommand(std::span<const Command> commands, const std::vector<std::string>& args,
                    std::ostream& out, std::ostream& err);

/// A sub-command that runs on the platform TBT_PLATFORM chooses.
using PlatformCommand = int (*)(const std::vector<std::string>& args,
                                const PlatformSelection& platform, std::ostream& out,
                                std::ostream& err);

/// Runs `command` on the backend that `tbtPlatform` (TBT_PLATFORM's value, null when
/// unset) names, on the real /sys; on the emulated backend `emulated` shapes the machine.
/// An unknown name or power value is a usage error: it is said on `err`, the command
/// does not run, and the result is 2.
int RunOnChosenPlatform(const char* tbtPlatform, PlatformCommand command,
                        const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                        const EmulatedEnvironment& emulated = {});

}  // namespace tbt::cli
