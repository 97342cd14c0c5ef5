#include "platform/emulated/EmulatedServiceManager.h"

#include "platform/Utf16.h"
#include "platform/emulated/EmulatedCallLog.h"

namespace tbt::emulated {

EmulatedServiceManager::EmulatedServiceManager(EmulatedCallLog* log) : log_(log) {
  services_.push_back(Service{kEmulatedThunderboltService});
}

EmulatedServiceManager::Service* EmulatedServiceManager::FindService(std::u16string_view name) {
  for (Service& service : services_) {
    if (EqualsIgnoreAsciiCase(service.name, name)) {
      return &service;
    }
  }
  return nullptr;
}

const EmulatedServiceManager::Service* EmulatedServiceManager::FindService(
    std::u16string_view name) const {
  return const_cast<EmulatedServiceManager*>(this)->FindService(name);
}

void EmulatedServiceManager::SetLastError(uint32_t error) {
  lastError_[std::this_thread::get_id()] = error;
}

platform::Handle EmulatedServiceManager::OpenManager() {
  std::lock_guard lock(mutex_);
  if (log_ != nullptr) {
    log_->Record(CallKind::kOpenServiceManager);
  }
  if (managerFails_) {
    SetLastError(platform::kErrorAccessDenied);
    return platform::kNullHandle;
  }
  const platform::Handle handle = nextHandle_++;
  handles_[handle] = OpenHandle{true, {}};
  return handle;
}

platform::Handle EmulatedServiceManager::OpenByName(platform::Handle manager,
                                                    std::u16string_view name) {
  std::lock_guard lock(mutex_);
  if (log_ != nullptr) {
    log_->Record(CallKind::kOpenService, ToUtf8(name));
  }
  const auto managerHandle = handles_.find(manager);
  if (managerHandle == handles_.end() || !managerHandle->second.isManager) {
    SetLastError(platform::kErrorAccessDenied);
    return platform::kNullHandle;
  }
  const Service* service = FindService(name);
  if (service == nullptr) {
    SetLastError(platform::kErrorServiceDoesNotExist);
    return platform::kNullHandle;
  }
  const platform::Handle handle = nextHandle_++;
  handles_[handle] = OpenHandle{false, service->name};
  return handle;
}

bool EmulatedServiceManager::Start(platform::Handle serviceHandle) {
  std::lock_guard lock(mutex_);
  const auto found = handles_.find(serviceHandle);
  if (found == handles_.end() || found->second.isManager) {
    if (log_ != nullptr) {
      log_->Record(CallKind::kStartService);
    }
    SetLastError(platform::kErrorAccessDenied);
    return false;
  }
  if (log_ != nullptr) {
    log_->Record(CallKind::kStartService, ToUtf8(found->second.serviceName));
  }
  Service* service = FindService(found->second.serviceName);
  if (service == nullptr) {
    // Removed while the handle was open.
    SetLastError(platform::kErrorServiceDoesNotExist);
    return false;
  }
  if (service->running) {
    SetLastError(platform::kErrorServiceAlreadyRunning);
    return false;
  }
  if (service->startError != 0) {
    SetLastError(service->startError);
    return false;
  }
  service->running = true;
  return true;
}

uint32_t EmulatedServiceManager::GetLastError() {
  std::lock_guard lock(mutex_);
  const auto found = lastError_.find(std::this_thread::get_id());
  return found == lastError_.end() ? 0 : found->second;
}

bool EmulatedServiceManager::CloseServiceHandle(platform::Handle handle) {
  std::lock_guard lock(mutex_);
  if (log_ != nullptr) {
    log_->Record(CallKind::kCloseServiceHandle);
  }
  return handles_.erase(handle) == 1;
}

void EmulatedServiceManager::SetManagerFails(bool fails) {
  std::lock_guard lock(mutex_);
  managerFails_ = fails;
}

void EmulatedServiceManager::SetInstalled(std::u16string_view name, bool installed) {
  std::lock_guard lock(mutex_);
  if (installed) {
    if (FindService(name) == nullptr) {
      services_.push_back(Service{std::u16string(name)});
    }
    return;
  }
  std::erase_if(services_, [name](const Service& service) {
    return EqualsIgnoreAsciiCase(service.name, name);
  });
}

void EmulatedServiceManager::SetStartError(std::u16string_view name, uint32_t error) {
  std::lock_guard lock(mutex_);
  if (Service* service = FindService(name)) {
    service->startError = error;
  }
}

bool EmulatedServiceManager::IsRunning(std::u16string_view name) const {
  std::lock_guard lock(mutex_);
  const Service* service = FindService(name);
  return service != nullptr && service->running;
}

void EmulatedServiceManager::Stop(std::u16string_view name) {
  std::lock_guard lock(mutex_);
  if (Service* service = FindService(name)) {
    service->running = false;
  }
}

size_t EmulatedServiceManager::OpenHandleCount() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

}  // namespace tbt::emulated
