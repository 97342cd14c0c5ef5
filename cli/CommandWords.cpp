#include "cli/CommandWords.h"

#include <algorithm>

namespace tbt::cli {

std::string CommandWords::Value(std::string_view name) const {
  const auto found = options.find(name);
  return found != options.end() ? found->second : std::string();
}

bool SplitCommandWords(const std::vector<std::string>& args, std::span<const CommandOption> known,
                       std::string_view operandName, CommandWords* words, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    // A lone "-" is an operand, as for most tools (a file named so).
    if (word.size() > 1 && word[0] == '-') {
      const auto option =
          std::find_if(known.begin(), known.end(),
                       [&word](const CommandOption& candidate) { return candidate.name == word; });
      if (option == known.end()) {
        *error = "unknown option " + word;
        return false;
      }
      if (!option->takesValue) {
        words->options[word] = std::string();
      } else if (i + 1 < args.size()) {
        words->options[word] = args[++i];
      } else {
        *error = word + " needs a value";
        return false;
      }
    } else if (words->operand.empty()) {
      words->operand = word;
    } else {
      *error = "more than one " + std::string(operandName) + " given";
      return false;
    }
  }
  if (words->operand.empty()) {
    *error = "no " + std::string(operandName) + " given";
    return false;
  }
  return true;
}

}  // namespace tbt::cli
