#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"

namespace tbt::emulated {

class EmulatedCallLog;

/// Name of the service that hosts the Thunderbolt provider.
inline constexpr char16_t kEmulatedThunderboltService[] = u"ThunderboltService";

/// A service control manager that knows ThunderboltService (installed, stopped
/// until started). Services can be removed or made to fail their start, and the
/// manager itself can refuse to open. Names are compared without regard to case.
class EmulatedServiceManager final : public platform::IServiceManager {
 public:
  explicit EmulatedServiceManager(EmulatedCallLog* log = nullptr);

  platform::Handle OpenManager() override;
  platform::Handle OpenByName(platform::Handle manager, std::u16string_view name) override;
  bool Start(platform::Handle service) override;
  uint32_t GetLastError() override;
  bool CloseServiceHandle(platform::Handle handle) override;

  /// Makes OpenManager fail (access denied) or succeed again.
  void SetManagerFails(bool fails);
  /// Installs a stopped service, or removes one (OpenByName then fails with 1060).
  void SetInstalled(std::u16string_view name, bool installed);
  /// Makes Start of the named service fail with `error` (0: start normally).
  void SetStartError(std::u16string_view name, uint32_t error);
  /// Whether the named service runs now.
  bool IsRunning(std::u16string_view name) const;
  /// Stops the named service (as if it had been stopped from outside).
  void Stop(std::u16string_view name);
  /// Number of manager and service handles opened and not yet closed.
  size_t OpenHandleCount() const;

 private:
  struct Service {
    std::u16string name;
    bool running = false;
    uint32_t startError = 0;
  };
  struct OpenHandle {
    bool isManager = false;
    std::u16string serviceName;
  };

  Service* FindService(std::u16string_view name);
  const Service* FindService(std::u16string_view name) const;
  void SetLastError(uint32_t error);

  EmulatedCallLog* log_;
  mutable std::mutex mutex_;
  bool managerFails_ = false;
  std::vector<Service> services_;
  std::map<platform::Handle, OpenHandle> handles_;
  platform::Handle nextHandle_ = 0x200;
  std::map<std::thread::id, uint32_t> lastError_;
};

}  // namespace tbt::emulated
