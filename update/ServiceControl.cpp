#include "update/ServiceControl.h"

#include "platform/ScopedServiceHandle.h"

namespace tbt {

uint32_t StartNamedService(platform::IServiceManager& services, std::u16string_view name) {
  // The service is opened after the manager, so it is closed before it.
  const platform::ScopedServiceHandle manager(services, services.OpenManager());
  if (!manager.Valid()) {
    return SERVICE_E_SCM;
  }
  const platform::ScopedServiceHandle service(services, services.OpenByName(manager.Get(), name));
  if (!service.Valid()) {
    return SERVICE_E_OPEN;
  }
  // A service that already runs is what the caller wants; only other failures count.
  if (!services.Start(service.Get()) &&
      services.GetLastError() != platform::kErrorServiceAlreadyRunning) {
    return SERVICE_E_START;
  }
  return SERVICE_START_OK;
}

void ShutdownSystem(platform::IPower& power, const std::function<void()>& closeWindow) {
  // Neither outcome is checked: the window closes whether or not the machine goes down.
  power.EnableShutdownPrivilege();
  power.RequestPowerOff();
  if (closeWindow) {
    closeWindow();
  }
}

}  // namespace tbt
