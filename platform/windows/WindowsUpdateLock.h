#pragma once

// The machine-wide update lock on Windows: a named kernel object that exists while
// an update holds it, shared by every program that updates firmware (the window and
// `tbt-nvm update`) in every session.

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace tbt::platform::windows_backend {

/// The lock's name: in the global namespace, so that it spans the users' sessions.
inline constexpr char16_t kUpdateLockName[] = u"Global\\tbt-nvm-update";

/// The lock is the named object's existence, not a mutex's ownership: ownership
/// belongs to a thread, and one thread may own a mutex twice, while an update may
/// take the lock on one thread and test it on another. A process that dies closes
/// its handle, which frees the lock.
class WindowsUpdateLock final : public IUpdateLock {
 public:
  explicit WindowsUpdateLock(std::u16string name = kUpdateLockName) : name_(std::move(name)) {}

  /// Null when the object exists already (another update holds it, or is this moment
  /// testing it: that errs towards busy), or when it cannot be created.
  std::unique_ptr<IHeldUpdateLock> TryAcquire() override;

 private:
  std::u16string name_;
};

}  // namespace tbt::platform::windows_backend
