#include "app/LaunchOptions.h"

#include <charconv>
#include <string_view>

namespace tbt::app {

namespace {

std::string_view Variable(const std::function<const char*(const char*)>& getEnv, const char* name) {
  const char* value = getEnv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

void ReadEmulatedOptions(const std::function<const char*(const char*)>& getEnv,
                         LaunchOptions& options) {
  options.controllerFile = std::string(Variable(getEnv, "TBT_EMULATED_CONTROLLER"));

  std::string error;
  if (const auto power = emulated::ParsePowerMode(getEnv("TBT_EMULATED_POWER"), &error)) {
    options.power = *power;
  } else {
    options.errors.push_back(error);
  }

  const std::string_view device = Variable(getEnv, "TBT_EMULATED_DEVICE");
  if (device == "absent") {
    options.acpiDeviceAbsent = true;
  } else if (!device.empty() && device != "present") {
    options.errors.push_back("TBT_EMULATED_DEVICE must be present or absent, not '" +
                             std::string(device) + "'");
  }

  const std::string_view scale = Variable(getEnv, "TBT_EMULATED_WAIT_SCALE");
  if (!scale.empty()) {
    double value = 0;
    const auto [end, error] = std::from_chars(scale.data(), scale.data() + scale.size(), value);
    if (error != std::errc() || end != scale.data() + scale.size() || !(value >= 0) || value > 10) {
      options.errors.push_back("TBT_EMULATED_WAIT_SCALE must be a number from 0 to 10, not '" +
                               std::string(scale) + "'");
    } else {
      options.waitScale = value;
    }
  }

  const std::string_view autoPress = Variable(getEnv, "TBT_DEMO_AUTOPRESS");
  options.autoPress = autoPress == "1" || autoPress == "enter";
  options.pressWithEnter = autoPress == "enter";
  options.screenshotDir = std::string(Variable(getEnv, "TBT_DEMO_SCREENSHOT_DIR"));
}

}  // namespace

LaunchOptions ReadLaunchOptions(const std::function<const char*(const char*)>& getEnv) {
  LaunchOptions options;
  std::string error;
  const auto backend = emulated::ParseBackend(getEnv("TBT_PLATFORM"), &error);
  if (!backend) {
    options.errors.push_back(error);
  } else if (*backend == emulated::Backend::kEmulated) {
    options.backend = *backend;
    ReadEmulatedOptions(getEnv, options);
  }
  return options;
}

}  // namespace tbt::app
