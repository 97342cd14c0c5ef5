#include "app/EmulatedMachine.h"

#include <vector>

#include "app/ControllerFile.h"
#include "app/ScaledClock.h"
#include "platform/LanguageIds.h"
#include "platform/SteadyClock.h"
#include "platform/Utf16.h"
#include "platform/emulated/EmulatedPlatform.h"

namespace tbt::app {

EmulatedMachine CreateEmulatedMachine(const LaunchOptions& options, const std::string& programPath,
                                      std::string* error) {
  EmulatedMachine machine;
  emulated::EmulatedOptions emulatedOptions;
  if (!options.controllerFile.empty()) {
    emulatedOptions.controllerNvm = ReadControllerFile(options.controllerFile);
    if (!emulatedOptions.controllerNvm) {
      *error = "cannot read the emulated controller file '" + options.controllerFile + "'";
      return machine;
    }
  }
  emulatedOptions.acpiDevicePresent = !options.acpiDeviceAbsent;
  emulatedOptions.powerMode = options.power;
  emulatedOptions.moduleFileName = ToUtf16(programPath);
  emulatedOptions.uiLanguage = platform::UserUiLanguageFromEnvironment();

  machine.realClock = std::make_unique<platform::SteadyClock>();
  machine.workerClock = std::make_unique<ScaledClock>(*machine.realClock, options.waitScale);
  emulatedOptions.clockOverride = machine.workerClock.get();
  machine.platform = emulated::CreateEmulatedPlatform(emulatedOptions);
  return machine;
}

}  // namespace tbt::app
