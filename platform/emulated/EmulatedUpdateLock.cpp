#include "platform/emulated/EmulatedUpdateLock.h"

namespace tbt::emulated {

namespace {

class HeldEmulatedLock final : public platform::IHeldUpdateLock {
 public:
  explicit HeldEmulatedLock(std::shared_ptr<std::atomic<bool>> held) : held_(std::move(held)) {}
  ~HeldEmulatedLock() override { held_->store(false); }
  HeldEmulatedLock(const HeldEmulatedLock&) = delete;
  HeldEmulatedLock& operator=(const HeldEmulatedLock&) = delete;

 private:
  std::shared_ptr<std::atomic<bool>> held_;
};

}  // namespace

std::unique_ptr<platform::IHeldUpdateLock> EmulatedUpdateLock::TryAcquire() {
  bool expected = false;
  if (!held_->compare_exchange_strong(expected, true)) {
    return nullptr;
  }
  return std::make_unique<HeldEmulatedLock>(held_);
}

}  // namespace tbt::emulated
