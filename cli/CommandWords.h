#pragma once

// The words after a sub-command's name: one operand (the image, for the commands that
// take one) and the options the command knows, some of which take the next word.

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tbt::cli {

/// One option a command accepts.
struct CommandOption {
  std::string_view name;  // "--json"
  bool takesValue = false;
};

/// The words of one command line, split.
struct CommandWords {
  /// The one operand; never empty after a successful split.
  std::string operand;
  /// The options given, with their values ("" for a flag); a repeated option keeps
  /// its last value.
  std::map<std::string, std::string, std::less<>> options;

  /// True when the option was given.
  bool Has(std::string_view name) const { return options.find(name) != options.end(); }
  /// The option's value; empty when it was not given.
  std::string Value(std::string_view name) const;
};

/// Splits `args` by `known` into one required operand (`operandName` names it in
/// errors, e.g. "image") and the known options. False with *error (one sentence) for an
/// unknown option, a value option at the end, a second operand or no operand.
bool SplitCommandWords(const std::vector<std::string>& args, std::span<const CommandOption> known,
                       std::string_view operandName, CommandWords* words, std::string* error);

}  // namespace tbt::cli
