#include <windows.h>

#include <string>

#include "platform/windows/WindowsDevices.h"

namespace tbt::platform::windows_backend {

namespace {

// The system's own last error is per thread too; it is kept here because later calls
// (a close, an allocation) may overwrite it before the caller asks.
thread_local uint32_t t_lastError = ERROR_SUCCESS;

Handle Remember(SC_HANDLE handle) {
  if (handle == nullptr) {
    t_lastError = ::GetLastError();
  }
  return reinterpret_cast<Handle>(handle);
}

}  // namespace

Handle WindowsServiceManager::OpenManager() {
  return Remember(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

Handle WindowsServiceManager::OpenByName(Handle manager, std::u16string_view name) {
  const std::wstring serviceName(name.begin(), name.end());
  return Remember(::OpenServiceW(reinterpret_cast<SC_HANDLE>(manager), serviceName.c_str(),
                                 SERVICE_ALL_ACCESS));
}

bool WindowsServiceManager::Start(Handle service) {
  if (::StartServiceW(reinterpret_cast<SC_HANDLE>(service), 0, nullptr)) {
    return true;
  }
  t_lastError = ::GetLastError();
  return false;
}

uint32_t WindowsServiceManager::GetLastError() {
  return t_lastError;
}

bool WindowsServiceManager::CloseServiceHandle(Handle handle) {
  return handle != kNullHandle && ::CloseServiceHandle(reinterpret_cast<SC_HANDLE>(handle));
}

}  // namespace tbt::platform::windows_backend
