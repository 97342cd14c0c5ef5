#pragma once

// The update lock of one emulated machine: held by one update at a time, in-process.

#include <atomic>
#include <memory>

#include "platform/Platform.h"

namespace tbt::emulated {

/// An in-process update lock; a held lock may outlive the object that gave it.
class EmulatedUpdateLock final : public platform::IUpdateLock {
 public:
  /// Null while an earlier held lock of this object still exists.
  std::unique_ptr<platform::IHeldUpdateLock> TryAcquire() override;

 private:
  std::shared_ptr<std::atomic<bool>> held_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace tbt::emulated
