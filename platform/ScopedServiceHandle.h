#pragma once

// A service manager or service handle closed when its owner goes, on every path.

#include <utility>

#include "platform/Platform.h"

namespace tbt::platform {

class ScopedServiceHandle {
 public:
  /// Takes ownership of `handle` (kNullHandle: none), to be closed through `services`.
  ScopedServiceHandle(IServiceManager& services, Handle handle)
      : services_(&services), handle_(handle) {}
  ScopedServiceHandle(ScopedServiceHandle&& other) noexcept
      : services_(other.services_), handle_(std::exchange(other.handle_, kNullHandle)) {}
  ScopedServiceHandle& operator=(ScopedServiceHandle&&) = delete;
  ScopedServiceHandle(const ScopedServiceHandle&) = delete;
  ScopedServiceHandle& operator=(const ScopedServiceHandle&) = delete;
  ~ScopedServiceHandle() {
    if (handle_ != kNullHandle) {
      services_->CloseServiceHandle(handle_);
    }
  }

  Handle Get() const { return handle_; }
  bool Valid() const { return handle_ != kNullHandle; }

 private:
  IServiceManager* services_;
  Handle handle_;
};

}  // namespace tbt::platform
