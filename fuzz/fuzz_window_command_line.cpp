// Fuzzes the window's command line: any arguments are read without failing, the
// downgrade switch is 0 or 1, and the language is the low 16 bits of a base-16 number.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzRequire.h"
#include "fuzz/FuzzWords.h"
#include "strings/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tbt::strings;
  using tbt::fuzz::Require;
  std::vector<std::string> words = tbt::fuzz::SplitWords(data, size);
  words.insert(words.begin(), "tbt-fwupdate");
  std::vector<const char*> argv;
  for (const std::string& word : words) {
    argv.push_back(word.c_str());
  }
  const WideArguments arguments(static_cast<int>(argv.size()), argv.data());
  Require(arguments.Count() == static_cast<int>(argv.size()));
  Require(arguments.Vector()[arguments.Count()] == nullptr);

  int32_t downgradeAllowed = 0;
  uint16_t langId = 0x409;
  Require(ReadCommandLine(arguments.Count(), arguments.Vector(), &downgradeAllowed, &langId));
  Require(downgradeAllowed == 0 || downgradeAllowed == 1);
  for (int i = 1; i < arguments.Count(); ++i) {
    const std::u16string_view argument = arguments.Vector()[i];
    Wcstol16(argument);  // any text has a value; ReadCommandLine reads each language switch
  }
  return 0;
}
