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
#ifdef _WIN32
  constexpr std::string_view kNativeName = "windows";
  constexpr std::string_view kOtherName = "linux";
  constexpr char kOtherSystemError[] =
      "TBT_PLATFORM=linux is for the Linux build; this Windows build runs on windows or emulated";
#else
  constexpr std::string_view kNativeName = "linux";
  constexpr std::string_view kOtherName = "windows";
  constexpr char kOtherSystemError[] =
      "TBT_PLATFORM=windows is for the Windows build; this Linux build runs on linux or emulated";
#endif
  if (name.empty() || name == kNativeName) {
    return kNativeBackend;
  }
  if (name == "emulated") {
    return Backend::kEmulated;
  }
  if (name == kOtherName) {
    *error = kOtherSystemError;
    return std::nullopt;
  }
  *error = "TBT_PLATFORM must be " + std::string(kNativeName) + " or emulated, not '" +
           std::string(name) + "'";
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
