#include "platform/emulated/EmulatedPlatform.h"

#include <utility>

#include "platform/Utf16.h"
#include "platform/emulated/EmulatedTbtProvider.h"
#include "platform/emulated/NvmImageBuilder.h"

namespace tbt::emulated {

EmulatedPlatform::EmulatedPlatform(const EmulatedOptions& options)
    : devices_(&log_),
      services_(&log_),
      power_(&log_),
      clock_(&log_),
      system_(options.moduleFileName, options.uiLanguage),
      clockOverride_(options.clockOverride),
      updateLockOverride_(options.updateLockOverride),
      provider_(std::make_shared<EmulatedTbtProvider>()) {
  devices_.SetAcpiDevicePresent(options.acpiDevicePresent);
  power_.SetMode(options.powerMode);
  if (!options.serviceInstalled) {
    services_.SetInstalled(kEmulatedThunderboltService, false);
  }
  services_.SetStartError(kEmulatedThunderboltService, options.serviceStartError);

  provider_->AddController(EmulatedController{options.controllerId, options.controllerNvm
                                                                        ? *options.controllerNvm
                                                                        : DefaultControllerNvm()});
  // The provider's namespace is hosted by the service, and the controller shows up
  // only while the board powers it: both as on the real machine.
  provider_->SetAvailability(
      [this] {
        log_.Record(CallKind::kWmiReachable);
        return services_.IsRunning(kEmulatedThunderboltService);
      },
      [this] { return devices_.IsDeviceOn(kThunderboltPlatformDevice); });
  provider_->SetCallObserver([this](std::u16string_view method) {
    log_.Record(CallKind::kProviderMethod, ToUtf8(method));
  });
  RegisterEmulatedTbtProvider(registry_, provider_);
}

EmulatedPlatform::~EmulatedPlatform() {
  // The callbacks point into this object; the provider may be shared beyond it.
  provider_->SetAvailability({}, {});
  provider_->SetCallObserver({});
}

platform::IClock& EmulatedPlatform::Clock() {
  if (clockOverride_ != nullptr) {
    return *clockOverride_;
  }
  return clock_;
}

std::vector<uint8_t> EmulatedPlatform::ControllerNvm() const {
  return provider_->Controller(0).nvm;
}

std::unique_ptr<EmulatedPlatform> CreateEmulatedPlatform(const EmulatedOptions& options) {
  return std::make_unique<EmulatedPlatform>(options);
}

}  // namespace tbt::emulated
