#include "platform/windows/WindowsPlatform.h"

#include <utility>

#include "platform/SteadyClock.h"
#include "platform/TbtProviderNames.h"
#include "platform/windows/ComWmiProvider.h"
#include "platform/windows/WindowsDevices.h"
#include "platform/wmi/Wmi.h"

namespace tbt::platform::windows_backend {

namespace {

class WindowsPlatform final : public IPlatform {
 public:
  explicit WindowsPlatform(WindowsOptions options)
      : system_(std::move(options.moduleFileName)), updateLock_(std::move(options.updateLockName)) {
    // Only the controller's namespace is served: the engine connects to nothing else.
    namespaces_.Register(std::u16string(kTbtNamespace),
                         std::make_shared<ComWmiProvider>(std::u16string(kTbtNamespace)));
  }

  IDeviceIo& Devices() override { return devices_; }
  IServiceManager& Services() override { return services_; }
  IPower& Power() override { return power_; }
  IClock& Clock() override { return clock_; }
  ISystemInfo& System() override { return system_; }
  wmi::NamespaceRegistry& Wmi() override { return namespaces_; }
  IUpdateLock& UpdateLock() override { return updateLock_; }
  bool IsEmulated() const override { return false; }

 private:
  WindowsDeviceIo devices_;
  WindowsServiceManager services_;
  WindowsPower power_;
  SteadyClock clock_;
  WindowsSystemInfo system_;
  wmi::NamespaceRegistry namespaces_;
  WindowsUpdateLock updateLock_;
};

}  // namespace

std::unique_ptr<IPlatform> CreateWindowsPlatform(WindowsOptions options) {
  return std::make_unique<WindowsPlatform>(std::move(options));
}

}  // namespace tbt::platform::windows_backend
