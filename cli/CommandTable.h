#pragma once

// The sub-commands of tbt-nvm, each a function of its arguments and two streams.

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace tbt::cli
