#include "platform/linux/HelperProtocol.h"

#include <cstdio>

#include "platform/linux/Sha256.h"
#include "platform/linux/SysfsTree.h"

namespace tbt::platform::linux_backend {

namespace {

constexpr std::string_view kResultPrefix = "result 0x";
constexpr std::string_view kStatusPrefix = "status 0x";

// "<prefix><8 hex digits>\n".
std::string TaggedLine(std::string_view prefix, uint32_t value) {
  char digits[16];
  std::snprintf(digits, sizeof(digits), "%08X\n", value);
  return std::string(prefix) + digits;
}

// Finds "<prefix><8 hex digits>\n" in the text.
bool ParseTaggedLine(std::string_view text, std::string_view prefix, uint32_t* value) {
  const size_t at = text.find(prefix);
  if (at == std::string_view::npos || (at != 0 && text[at - 1] != '\n')) {
    return false;
  }
  const std::string_view digits = text.substr(at + prefix.size());
  if (digits.size() < 9 || digits[8] != '\n') {
    return false;
  }
  const auto parsed = ParseHexStatus(digits.substr(0, 8));
  if (!parsed) {
    return false;
  }
  *value = *parsed;
  return true;
}

}  // namespace

std::string HelperResultLine(uint32_t returnValue) {
  return TaggedLine(kResultPrefix, returnValue);
}

bool ParseHelperResultLine(std::string_view text, uint32_t* returnValue) {
  return ParseTaggedLine(text, kResultPrefix, returnValue);
}

std::string HelperStatusLine(uint32_t status) {
  return TaggedLine(kStatusPrefix, status);
}

bool ParseHelperStatusLine(std::string_view text, uint32_t* status) {
  return ParseTaggedLine(text, kStatusPrefix, status);
}

std::string FlashRequestLine(std::string_view router, std::span<const uint8_t> image) {
  return "flash " + std::string(router) + " " + std::to_string(image.size()) + " " +
         Sha256Hex(image) + "\n";
}

}  // namespace tbt::platform::linux_backend
