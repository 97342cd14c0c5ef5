#include "app/EmulatedMachine.h"

#include <vector>

#include "platform/LanguageIds.h"
#include "platform/SteadyClock.h"
#include "platform/Utf16.h"
#include "platform/emulated/EmulatedPlatform.h"
#include "ui/ControllerFile.h"
#include "ui/ScaledClock.h"

namespace tbt::app {

namespace {

emulated::PowerMode PowerModeOf(ui::EmulatedPowerSource source) {
  switch (source) {
    case ui::EmulatedPowerSource::Battery:
      return emulated::PowerMode::kBattery;
    case ui::EmulatedPowerSource::QueryFails:
      return emulated::PowerMode::kQueryFails;
    case ui::EmulatedPowerSource::Mains:
      break;
  }
  return emulated::PowerMode::kMains;
}

}  // namespace

EmulatedMachine CreateEmulatedMachine(const ui::LaunchOptions& options,
                                      const std::string& programPath, std::string* error) {
  EmulatedMachine machine;
  emulated::EmulatedOptions emulatedOptions;
  if (!options.controllerFile.empty()) {
    emulatedOptions.controllerNvm = ui::ReadControllerFile(options.controllerFile);
    if (!emulatedOptions.controllerNvm) {
      *error = "cannot read the emulated controller file '" + options.controllerFile + "'";
      return machine;
    }
  }
  emulatedOptions.acpiDevicePresent = !options.acpiDeviceAbsent;
  emulatedOptions.powerMode = PowerModeOf(options.power);
  emulatedOptions.moduleFileName = ToUtf16(programPath);
  emulatedOptions.uiLanguage = platform::UserUiLanguageFromEnvironment();

  machine.realClock = std::make_unique<platform::SteadyClock>();
  machine.workerClock = std::make_unique<ui::ScaledClock>(*machine.realClock, options.waitScale);
  emulatedOptions.clockOverride = machine.workerClock.get();
  machine.platform = emulated::CreateEmulatedPlatform(emulatedOptions);
  return machine;
}

}  // namespace tbt::app
