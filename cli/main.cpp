// tbt-nvm: the command-line front end over the update engine. This file only lists the
// sub-commands (each lives in its own file) and is the one place that reads the
// environment: TBT_PLATFORM chooses the backend of `check` and `update`, and on the
// emulated one TBT_EMULATED_CONTROLLER and TBT_EMULATED_POWER shape the machine.

#include <array>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CheckCommand.h"
#include "cli/CommandTable.h"
#include "cli/DemoImageCommand.h"
#include "cli/InfoCommand.h"
#include "cli/StatusCommand.h"
#include "cli/UpdateCommand.h"

namespace {

using namespace tbt::cli;

EmulatedEnvironment EmulatedVariables() {
  return EmulatedEnvironment{std::getenv("TBT_EMULATED_CONTROLLER"),
                             std::getenv("TBT_EMULATED_POWER")};
}

int CheckOnChosenPlatform(const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& err) {
  return RunOnChosenPlatform(std::getenv("TBT_PLATFORM"), RunCheckCommand, args, out, err,
                             EmulatedVariables());
}

int UpdateOnChosenPlatform(const std::vector<std::string>& args, std::ostream& out,
                           std::ostream& err) {
  return RunOnChosenPlatform(std::getenv("TBT_PLATFORM"), RunUpdateCommand, args, out, err,
                             EmulatedVariables());
}

#ifdef _WIN32
constexpr char kUpdateSummary[] = "run a whole update (TBT_PLATFORM: windows or emulated)";
#else
constexpr char kUpdateSummary[] = "run a whole update (TBT_PLATFORM: linux or emulated)";
#endif

}  // namespace

int main(int argc, char** argv) {
  static constexpr std::array kCommands{
      Command{"check", "check an image against a controller", CheckOnChosenPlatform},
      Command{"info", "show what an image holds", RunInfoCommand},
      Command{"demo-image", "write an image for the built-in emulated controller",
              RunDemoImageCommand},
      Command{"update", kUpdateSummary, UpdateOnChosenPlatform},
      Command{"status", "list this machine's Thunderbolt controllers", RunStatusCommand},
  };
  const std::vector<std::string> args(argv + 1, argv + argc);
  return DispatchCommand(kCommands, args, std::cout, std::cerr);
}
