#pragma once

// Stops the fuzzer on a broken promise, so the input that broke it is kept.

#include <cstdlib>

namespace tbt::fuzz {

/// Aborts when `condition` is false.
inline void Require(bool condition) {
  if (!condition) {
    std::abort();
  }
}

}  // namespace tbt::fuzz
