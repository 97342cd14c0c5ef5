#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace tbt::platform {

/// The real clock: waits block the calling thread, time is the monotonic clock.
class SteadyClock final : public IClock {
 public:
  /// Blocks the calling thread for the given number of milliseconds.
  void Sleep(uint32_t milliseconds) override;
  /// Milliseconds of the monotonic clock since an arbitrary start.
  uint64_t NowMilliseconds() override;
};

}  // namespace tbt::platform
