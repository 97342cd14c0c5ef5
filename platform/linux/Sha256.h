#pragma once

// SHA-256 of a byte buffer, so the helper can tell that the image it received is the
// one the tool sent.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tbt::platform::linux_backend {

/// The 32-byte digest of `bytes`.
std::array<uint8_t, 32> Sha256(std::span<const uint8_t> bytes);

/// The digest as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::span<const uint8_t> bytes);

}  // namespace tbt::platform::linux_backend
