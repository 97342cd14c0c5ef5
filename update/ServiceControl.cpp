#include "update/ServiceControl.h"

namespace tbt {

uint32_t StartNamedService(platform::IServiceManager& services, std::u16string_view name) {
  const platform::Handle manager = services.OpenSCManager();
  if (manager == platform::kNullHandle) {
    return SERVICE_E_SCM;
  }
  const platform::Handle service = services.OpenService(manager, name);
  if (service == platform::kNullHandle) {
    services.CloseServiceHandle(manager);
    return SERVICE_E_OPEN;
  }
  uint32_t result = SERVICE_START_OK;
  // A service that already runs is what the caller wants; only other failures count.
  if (!services.StartService(service) &&
      services.GetLastError() != platform::kErrorServiceAlreadyRunning) {
    result = SERVICE_E_START;
  }
  services.CloseServiceHandle(service);
  services.CloseServiceHandle(manager);
  return result;
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
