#include "cli/CommandTable.h"

#include <algorithm>

#include "cli/CliFiles.h"

namespace tbt::cli {
namespace {

void PrintUsage(std::span<const Command> commands, std::ostream& stream) {
  stream << "usage: tbt-nvm COMMAND [ARGS...]\n\ncommands:\n";
  for (const Command& command : commands) {
    stream << "  " << command.name
           << std::string(16 - std::min<size_t>(command.name.size(), 15), ' ') << command.summary
           << "\n";
  }
}

}  // namespace

int DispatchCommand(std::span<const Command> commands, const std::vector<std::string>& args,
                    std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    PrintUsage(commands, err);
    return kExitUsage;
  }
  if (args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    PrintUsage(commands, out);
    return kExitOk;
  }
  for (const Command& command : commands) {
    if (command.name == args[0]) {
      return command.run(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    }
  }
  err << "tbt-nvm: unknown command " << args[0] << "\n";
  PrintUsage(commands, err);
  return kExitUsage;
}

int RunOnChosenPlatform(const char* tbtPlatform, PlatformCommand command,
                        const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                        const EmulatedEnvironment& emulated) {
  PlatformSelection platform;
  std::string error;
  // The emulated variables count only on the emulated backend, as for the window.
  if (!ParsePlatformChoice(tbtPlatform, &platform.choice, &error) ||
      (platform.choice == PlatformChoice::kEmulated &&
       !ParseEmulatedEnvironment(emulated, &platform, &error))) {
    err << "tbt-nvm: " << error << "\n";
    return kExitUsage;
  }
  return command(args, platform, out, err);
}

}  // namespace tbt::cli
