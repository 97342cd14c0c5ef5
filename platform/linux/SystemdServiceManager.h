#pragma once

// The service control manager on Linux: systemd over the system bus (sd-bus). The
// bus is found the way sd-bus finds it, so DBUS_SYSTEM_BUS_ADDRESS redirects it.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Platform.h"

struct sd_bus;

namespace tbt::platform::linux_backend {

/// systemd's unit for a service name: "ThunderboltService" is "bolt.service"; any other
/// name gets ".service" appended unless it already names a unit.
std::string UnitNameForService(std::u16string_view serviceName);

/// The error of Start when systemd refuses the start for another reason.
inline constexpr uint32_t kErrorServiceStartFailed = 1064;
/// The error when the system bus or systemd cannot be reached.
inline constexpr uint32_t kErrorServiceManagerUnavailable = 1722;

/// IServiceManager over org.freedesktop.systemd1.
class SystemdServiceManager final : public IServiceManager {
 public:
  SystemdServiceManager() = default;
  SystemdServiceManager(const SystemdServiceManager&) = delete;
  SystemdServiceManager& operator=(const SystemdServiceManager&) = delete;

  /// Connects to the system bus; kNullHandle when it cannot.
  Handle OpenManager() override;
  /// Loads the unit; fails with kErrorServiceDoesNotExist when systemd does not know it.
  Handle OpenByName(Handle manager, std::u16string_view name) override;
  /// StartUnit(unit, "replace"); an active unit fails with kErrorServiceAlreadyRunning.
  bool Start(Handle service) override;
  uint32_t GetLastError() override;
  bool CloseServiceHandle(Handle handle) override;

 private:
  struct Service {
    Handle manager = kNullHandle;
    std::string unit;
    std::string objectPath;
  };
  // Flushes and closes a bus connection when its manager handle is closed.
  struct BusCloser {
    void operator()(sd_bus* bus) const;
  };
  using BusPtr = std::unique_ptr<sd_bus, BusCloser>;

  bool Fail(uint32_t error);

  std::mutex mutex_;
  std::map<Handle, BusPtr> managers_;
  std::map<Handle, Service> services_;
  Handle next_ = 0x200;
};

}  // namespace tbt::platform::linux_backend
