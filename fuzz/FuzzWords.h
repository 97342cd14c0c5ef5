#pragma once

// Turns fuzz bytes into command-line words: each 0 byte ends a word, as in argv.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tbt::fuzz {

/// The words of `data`; at most `maxWords`, so one input cannot grow without bound.
inline std::vector<std::string> SplitWords(const uint8_t* data, size_t size, size_t maxWords = 64) {
  std::vector<std::string> words(1);
  for (size_t i = 0; i < size && words.size() <= maxWords; ++i) {
    if (data[i] == 0) {
      words.emplace_back();
    } else {
      words.back().push_back(static_cast<char>(data[i]));
    }
  }
  return words;
}

}  // namespace tbt::fuzz
