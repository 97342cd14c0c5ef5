#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/emulated/EmulatedCallLog.h"
#include "platform/emulated/EmulatedDeviceIo.h"
#include "platform/emulated/EmulatedPower.h"
#include "platform/emulated/EmulatedServiceManager.h"
#include "platform/emulated/EmulatedSystemInfo.h"
#include "platform/emulated/EmulatedUpdateLock.h"
#include "platform/emulated/ManualClock.h"
#include "platform/wmi/Wmi.h"

namespace tbt::emulated {

class EmulatedTbtProvider;

/// ControllerId of the built-in emulated controller; its backslashes must reach the
/// provider doubled, as on the real machine.
inline constexpr char16_t kEmulatedControllerId[] = u"PCI\\VEN_8086&DEV_15D3\\EMULATED_0";

/// How the emulated machine is set up.
struct EmulatedOptions {
  /// The controller's active NVM; nullopt takes the built-in DefaultControllerNvm().
  std::optional<std::vector<uint8_t>> controllerNvm;
  std::u16string controllerId = kEmulatedControllerId;
  bool acpiDevicePresent = true;
  PowerMode powerMode = PowerMode::kMains;
  bool serviceInstalled = true;
  /// Error that the start of ThunderboltService fails with (0: it starts).
  uint32_t serviceStartError = 0;
  /// The program's own path; the update image is looked for in its folder's data/.
  std::u16string moduleFileName = u"/opt/tbt-nvm/bin/tbt-fw-update";
  uint16_t uiLanguage = 0x409;
  /// Use this clock for waits instead of the ManualClock (e.g. a SteadyClock for
  /// real waits); it must outlive the platform.
  platform::IClock* clockOverride = nullptr;
  /// Use this update lock instead of the machine's own in-process one (e.g. a file
  /// lock that another machine shares); it must outlive the platform.
  platform::IUpdateLock* updateLockOverride = nullptr;
};

/// The whole emulated machine: ACPI driver device, service manager, power source,
/// manual clock, system facts and the Thunderbolt provider in its namespace. The
/// provider is reachable only while ThunderboltService runs, and its controller
/// exists only while the platform device 0x00060057 is switched on. Every call is
/// recorded in one EmulatedCallLog. Touches no real hardware.
class EmulatedPlatform final : public platform::IPlatform {
 public:
  explicit EmulatedPlatform(const EmulatedOptions& options);
  ~EmulatedPlatform() override;
  EmulatedPlatform(const EmulatedPlatform&) = delete;
  EmulatedPlatform& operator=(const EmulatedPlatform&) = delete;

  platform::IDeviceIo& Devices() override { return devices_; }
  platform::IServiceManager& Services() override { return services_; }
  platform::IPower& Power() override { return power_; }
  platform::IClock& Clock() override;
  platform::ISystemInfo& System() override { return system_; }
  wmi::NamespaceRegistry& Wmi() override { return registry_; }
  platform::IUpdateLock& UpdateLock() override {
    return updateLockOverride_ != nullptr ? *updateLockOverride_ : updateLock_;
  }
  bool IsEmulated() const override { return true; }

  /// The pieces, for tests and the demo to inspect and change.
  EmulatedDeviceIo& DeviceIo() { return devices_; }
  EmulatedServiceManager& ServiceManager() { return services_; }
  EmulatedPower& PowerSource() { return power_; }
  ManualClock& VirtualClock() { return clock_; }
  EmulatedSystemInfo& SystemInfo() { return system_; }
  EmulatedTbtProvider& Provider() { return *provider_; }
  EmulatedCallLog& CallLog() { return log_; }

  /// A copy of the emulated controller's active NVM (after an update: the new one).
  std::vector<uint8_t> ControllerNvm() const;

 private:
  EmulatedCallLog log_;
  EmulatedDeviceIo devices_;
  EmulatedServiceManager services_;
  EmulatedPower power_;
  ManualClock clock_;
  EmulatedSystemInfo system_;
  platform::IClock* clockOverride_;
  EmulatedUpdateLock updateLock_;
  platform::IUpdateLock* updateLockOverride_;
  wmi::NamespaceRegistry registry_;
  std::shared_ptr<EmulatedTbtProvider> provider_;
};

/// Builds an emulated machine from the options.
std::unique_ptr<EmulatedPlatform> CreateEmulatedPlatform(const EmulatedOptions& options = {});

}  // namespace tbt::emulated
