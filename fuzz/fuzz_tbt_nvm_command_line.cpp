// Fuzzes tbt-nvm's command line: the dispatcher and the word splitter every command
// uses, with check's full parser as the command behind them. Any words end in a run
// or a usage error (2) that says why; a successful split has exactly one operand and
// only options the command knows.

#include <array>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CheckCommand.h"
#include "cli/CommandTable.h"
#include "cli/CommandWords.h"
#include "fuzz/FuzzRequire.h"
#include "fuzz/FuzzWords.h"

namespace {

using namespace tbt::cli;
using tbt::fuzz::Require;

constexpr std::array kOptions{CommandOption{"--json"}, CommandOption{"--controller-nvm", true},
                              CommandOption{"--sysfs-root", true}};

int ParseCheck(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
  CheckRequest request;
  std::string error;
  if (!ParseCheckArguments(args, &request, &error)) {
    Require(!error.empty());
    err << error;
    return 2;
  }
  Require(!request.imagePath.empty());
  return 0;
}

int Split(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
  CommandWords words;
  std::string error;
  if (!SplitCommandWords(args, kOptions, "image", &words, &error)) {
    Require(!error.empty());
    err << error;
    return 2;
  }
  Require(!words.operand.empty());
  for (const auto& [name, value] : words.options) {
    bool known = false;
    for (const CommandOption& option : kOptions) {
      known = known || (option.name == name && (option.takesValue || value.empty()));
    }
    Require(known);
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static constexpr std::array kCommands{Command{"check", "parse as check does", ParseCheck},
                                        Command{"split", "split words", Split}};
  const std::vector<std::string> args = tbt::fuzz::SplitWords(data, size);
  std::ostringstream out;
  std::ostringstream err;
  const int status = DispatchCommand(kCommands, args, out, err);
  Require(status == 0 || status == 2);
  Require(status == 0 || !err.str().empty() || !out.str().empty());
  return 0;
}
