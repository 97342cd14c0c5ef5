#include "platform/windows/WindowsUpdateLock.h"

#include <windows.h>

#include <string>

namespace tbt::platform::windows_backend {

namespace {

// Closing the last handle removes the object, which frees the lock.
class HeldNamedObject final : public IHeldUpdateLock {
 public:
  explicit HeldNamedObject(HANDLE object) : object_(object) {}
  ~HeldNamedObject() override { ::CloseHandle(object_); }
  HeldNamedObject(const HeldNamedObject&) = delete;
  HeldNamedObject& operator=(const HeldNamedObject&) = delete;

 private:
  HANDLE object_;
};

}  // namespace

std::unique_ptr<IHeldUpdateLock> WindowsUpdateLock::TryAcquire() {
  const std::wstring name(name_.begin(), name_.end());
  // Creating and opening are one step, so two updates can never both create it.
  const HANDLE object = ::CreateMutexW(nullptr, FALSE, name.c_str());
  if (object == nullptr) {
    return nullptr;
  }
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(object);
    return nullptr;
  }
  return std::make_unique<HeldNamedObject>(object);
}

}  // namespace tbt::platform::windows_backend
