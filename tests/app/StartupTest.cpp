// What the window does before its dialog: read its launch options, show a refusal, and
// scale the emulated waits.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/LaunchOptions.h"
#include "app/ScaledClock.h"
#include "app/StartupErrorWindow.h"
#include "platform/emulated/ManualClock.h"
#include "tests/support/QtTestSupport.h"

namespace tbt::app {
namespace {

using emulated::Backend;

LaunchOptions Read(std::map<std::string, std::string> env) {
  return ReadLaunchOptions([&env](const char* name) -> const char* {
    const auto found = env.find(name);
    return found == env.end() ? nullptr : found->second.c_str();
  });
}

TEST(LaunchOptions, DefaultsToLinuxAndRefusesWhatItDoesNotKnow) {
  using Env = std::map<std::string, std::string>;
  const struct {
    Env env;
    Backend backend;
    size_t errors;
  } cases[] = {
      {{}, Backend::kLinux, 0},
      // An unknown backend never falls back to the hardware.
      {{{"TBT_PLATFORM", "Emulated"}}, Backend::kLinux, 1},
      {{{"TBT_PLATFORM", "emulated"}, {"TBT_EMULATED_POWER", "ac"}}, Backend::kEmulated, 1},
      {{{"TBT_PLATFORM", "emulated"}, {"TBT_EMULATED_DEVICE", "gone"}}, Backend::kEmulated, 1},
      {{{"TBT_PLATFORM", "emulated"}, {"TBT_EMULATED_WAIT_SCALE", "0.5x"}}, Backend::kEmulated, 1},
      {{{"TBT_PLATFORM", "emulated"}, {"TBT_EMULATED_WAIT_SCALE", "11"}}, Backend::kEmulated, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.env.empty() ? "nothing set" : c.env.begin()->second);
    const LaunchOptions options = Read(c.env);
    if (options.errors.empty()) {
      EXPECT_EQ(options.backend, c.backend);
    }
    EXPECT_EQ(options.errors.size(), c.errors);
  }
}

TEST(LaunchOptions, EmulatedMachineFollowsItsVariables) {
  const LaunchOptions options = Read({{"TBT_PLATFORM", "emulated"},
                                      {"TBT_EMULATED_CONTROLLER", "nvm.bin"},
                                      {"TBT_EMULATED_POWER", "battery"},
                                      {"TBT_EMULATED_DEVICE", "absent"},
                                      {"TBT_EMULATED_WAIT_SCALE", "0.25"},
                                      {"TBT_DEMO_AUTOPRESS", "enter"},
                                      {"TBT_DEMO_SCREENSHOT_DIR", "shots"}});
  EXPECT_TRUE(options.errors.empty());
  EXPECT_EQ(options.backend, Backend::kEmulated);
  EXPECT_TRUE(options.pressWithEnter);
  EXPECT_EQ(options.controllerFile, "nvm.bin");
  EXPECT_EQ(options.power, emulated::PowerMode::kBattery);
  EXPECT_TRUE(options.acpiDeviceAbsent);
  EXPECT_DOUBLE_EQ(options.waitScale, 0.25);
  EXPECT_TRUE(options.autoPress);
  EXPECT_EQ(options.screenshotDir, "shots");
  EXPECT_EQ(Read({{"TBT_PLATFORM", "emulated"}, {"TBT_EMULATED_POWER", "fail"}}).power,
            emulated::PowerMode::kQueryFails);
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

TEST(StartupErrorWindow, ShowsTheRefusalWhereAWindowSystemIsThere) {
  const auto box = MakeStartupErrorWindow({"TBT_PLATFORM must be linux or emulated, not 'x'"});
  EXPECT_EQ(box->icon(), QMessageBox::Critical);
  EXPECT_TRUE(box->text().contains("TBT_PLATFORM must be linux or emulated, not 'x'"));
  EXPECT_FALSE(WindowSystemAvailable([](const char*) { return static_cast<const char*>(""); }));
  EXPECT_TRUE(WindowSystemAvailable([](const char* name) {
    return std::string_view(name) == "WAYLAND_DISPLAY" ? "wayland-0" : nullptr;
  }));
}

TEST(ScaledClock, ShortensEachWaitByItsScale) {
  const struct {
    double scale;
    uint32_t asked;
    uint32_t waited;
  } cases[] = {
      {0.1, 10000, 1000}, {0.0, 10000, 0}, {-1.0, 500, 0}, {10.0, 4294967295u, 4294967295u}};
  for (const auto& c : cases) {
    emulated::ManualClock inner;
    ScaledClock clock(inner, c.scale);
    clock.Sleep(c.asked);
    EXPECT_EQ(inner.TotalSlept(), c.waited) << c.scale << " x " << c.asked;
    EXPECT_EQ(clock.NowMilliseconds(), inner.NowMilliseconds());
  }
}

}  // namespace
}  // namespace tbt::app
