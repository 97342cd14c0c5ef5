#pragma once

// Little-endian values in byte buffers: NVM images, controller words and driver requests.
// The caller has checked that `width` bytes exist at the position.

#include <cstdint>

namespace tbt {

/// The little-endian value of the `width` (at most 4) bytes at `bytes`.
inline uint32_t ReadLittleEndian(const uint8_t* bytes, uint32_t width) {
  uint32_t value = 0;
  for (uint32_t i = 0; i < width; ++i) {
    value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
  }
  return value;
}

/// Writes the low `width` (at most 4) bytes of `value` little-endian at `bytes`.
inline void WriteLittleEndian(uint8_t* bytes, uint32_t value, uint32_t width) {
  for (uint32_t i = 0; i < width; ++i) {
    bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

}  // namespace tbt
