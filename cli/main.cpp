// tbt-nvm: the command-line front end over the update engine. This file only lists the
// sub-commands; each lives in its own file.

#include <array>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CheckCommand.h"
#include "cli/CommandTable.h"
#include "cli/DemoImageCommand.h"
#include "cli/InfoCommand.h"
#include "cli/StatusCommand.h"
#include "cli/UpdateCommand.h"

int main(int argc, char** argv) {
  using namespace tbt::cli;
  static constexpr std::array kCommands{
      Command{"check", "check an image against a controller", RunCheckCommand},
      Command{"info", "show what an image holds", RunInfoCommand},
      Command{"demo-image", "write an image for the built-in emulated controller",
              RunDemoImageCommand},
      Command{"update", "run a whole update on the emulated machine", RunUpdateCommand},
      Command{"status", "list this machine's Thunderbolt controllers", RunStatusCommand},
  };
  const std::vector<std::string> args(argv + 1, argv + argc);
  return DispatchCommand(kCommands, args, std::cout, std::cerr);
}
