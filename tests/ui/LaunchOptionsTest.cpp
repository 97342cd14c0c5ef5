#include <gtest/gtest.h>

#include <map>
#include <string>

#include "ui/LaunchOptions.h"

namespace tbt::ui {
namespace {

LaunchOptions Read(std::map<std::string, std::string> env) {
  return ReadLaunchOptions([&env](const char* name) -> const char* {
    const auto found = env.find(name);
    return found == env.end() ? nullptr : found->second.c_str();
  });
}

TEST(LaunchOptions, DefaultsToTheLinuxBackend) {
  const LaunchOptions options = Read({});
  EXPECT_EQ(options.backend, Backend::Linux);
  EXPECT_TRUE(options.errors.empty());
  EXPECT_EQ(Read({{"TBT_PLATFORM", "linux"}}).backend, Backend::Linux);
}

TEST(LaunchOptions, RefusesAnUnknownBackendInsteadOfFallingBackToHardware) {
  const LaunchOptions options = Read({{"TBT_PLATFORM", "Emulated"}});
  EXPECT_EQ(options.errors.size(), 1u);
}

TEST(LaunchOptions, EmulatedMachineFollowsItsVariables) {
  const LaunchOptions options = Read({{"TBT_PLATFORM", "emulated"},
                                      {"TBT_EMULATED_CONTROLLER", "nvm.bin"},
                                      {"TBT_EMULATED_POWER", "battery"},
                                      {"TBT_EMULATED_DEVICE", "absent"},
                                      {"TBT_EMULATED_WAIT_SCALE", "0.25"},
                                      {"TBT_DEMO_AUTOPRESS", "1"},
                                      {"TBT_DEMO_SCREENSHOT_DIR", "shots"}});
  EXPECT_TRUE(options.errors.empty());
  EXPECT_EQ(options.backend, Backend::Emulated);
  EXPECT_EQ(options.controllerFile, "nvm.bin");
  EXPECT_EQ(options.power, EmulatedPowerSource::Battery);
  EXPECT_TRUE(options.acpiDeviceAbsent);
  EXPECT_DOUBLE_EQ(options.waitScale, 0.25);
  EXPECT_TRUE(options.autoPress);
  EXPECT_EQ(options.screenshotDir, "shots");
  EXPECT_EQ(Read({{"TBT_PLATFORM", "emulated"}, {"TBT_EMULATED_POWER", "fail"}}).power,
            EmulatedPowerSource::QueryFails);
}

TEST(LaunchOptions, DemoAndEmulatorVariablesDoNothingOnLinux) {
  const LaunchOptions options = Read({{"TBT_EMULATED_DEVICE", "absent"},
                                      {"TBT_EMULATED_POWER", "bogus"},
                                      {"TBT_DEMO_AUTOPRESS", "1"},
                                      {"TBT_DEMO_SCREENSHOT_DIR", "shots"}});
  EXPECT_TRUE(options.errors.empty());
  EXPECT_FALSE(options.autoPress);
  EXPECT_FALSE(options.acpiDeviceAbsent);
  EXPECT_TRUE(options.screenshotDir.empty());
}

TEST(LaunchOptions, ReportsEachMalformedEmulatorValue) {
  struct Case {
    const char* name;
    const char* value;
  };
  const Case cases[] = {{"TBT_EMULATED_POWER", "ac"},        {"TBT_EMULATED_DEVICE", "gone"},
                        {"TBT_EMULATED_WAIT_SCALE", "fast"}, {"TBT_EMULATED_WAIT_SCALE", "-1"},
                        {"TBT_EMULATED_WAIT_SCALE", "0.5x"}, {"TBT_EMULATED_WAIT_SCALE", "11"}};
  for (const auto& c : cases) {
    const LaunchOptions options = Read({{"TBT_PLATFORM", "emulated"}, {c.name, c.value}});
    EXPECT_EQ(options.errors.size(), 1u) << c.name << "=" << c.value;
  }
}

}  // namespace
}  // namespace tbt::ui
