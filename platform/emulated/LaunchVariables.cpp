#include "platform/emulated/LaunchVariables.h"

#include <string_view>

namespace tbt::emulated {

namespace {

std::string_view ValueOf(const char* value) {
  return value == nullptr ? std::string_view() : std::string_view(value);
}

}  // namespace

std::optional<Backend> ParseBackend(const char* value, std::string* error) {
  const std::string_view name = ValueOf(value);
  if (name.empty() || name == "linux") {
    return Backend::kLinux;
  }
  if (name == "emulated") {
    return Backend::kEmulated;
  }
  *error = "TBT_PLATFORM must be linux or emulated, not '" + std::string(name) + "'";
  return std::nullopt;
}

std::optional<PowerMode> ParsePowerMode(const char* value, std::string* error) {
  const std::string_view power = ValueOf(value);
  if (power.empty() || power == "mains") {
    return PowerMode::kMains;
  }
  if (power == "battery") {
    return PowerMode::kBattery;
  }
  if (power == "fail") {
    return PowerMode::kQueryFails;
  }
  *error = "TBT_EMULATED_POWER must be mains, battery or fail, not '" + std::string(power) + "'";
  return std::nullopt;
}

}  // namespace tbt::emulated
