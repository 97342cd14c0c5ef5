#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/Platform.h"

namespace tbt::emulated {

class EmulatedCallLog;

/// A clock whose time moves only when someone waits: Sleep advances virtual time
/// at once and records the wait, so no test ever waits in real time.
class ManualClock final : public platform::IClock {
 public:
  explicit ManualClock(EmulatedCallLog* log = nullptr, uint64_t startMilliseconds = 0);

  /// Advances virtual time by `milliseconds` and records the wait; returns at once.
  void Sleep(uint32_t milliseconds) override;
  uint64_t NowMilliseconds() override;

  /// Moves virtual time forward without recording a wait.
  void Advance(uint64_t milliseconds);
  /// Every wait so far, in order.
  std::vector<uint32_t> Sleeps() const;
  /// The sum of every wait so far.
  uint64_t TotalSlept() const;

 private:
  EmulatedCallLog* log_;
  mutable std::mutex mutex_;
  uint64_t now_;
  std::vector<uint32_t> sleeps_;
};

}  // namespace tbt::emulated
