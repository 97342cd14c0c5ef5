#include "platform/emulated/ManualClock.h"

#include "platform/emulated/EmulatedCallLog.h"

namespace tbt::emulated {

ManualClock::ManualClock(EmulatedCallLog* log, uint64_t startMilliseconds)
    : log_(log), now_(startMilliseconds) {}

void ManualClock::Sleep(uint32_t milliseconds) {
  std::lock_guard lock(mutex_);
  if (log_ != nullptr) {
    log_->Record(CallKind::kSleep, {}, {milliseconds});
  }
  now_ += milliseconds;
  sleeps_.push_back(milliseconds);
}

uint64_t ManualClock::NowMilliseconds() {
  std::lock_guard lock(mutex_);
  return now_;
}

void ManualClock::Advance(uint64_t milliseconds) {
  std::lock_guard lock(mutex_);
  now_ += milliseconds;
}

std::vector<uint32_t> ManualClock::Sleeps() const {
  std::lock_guard lock(mutex_);
  return sleeps_;
}

uint64_t ManualClock::TotalSlept() const {
  std::lock_guard lock(mutex_);
  uint64_t total = 0;
  for (uint32_t sleep : sleeps_) {
    total += sleep;
  }
  return total;
}

}  // namespace tbt::emulated
