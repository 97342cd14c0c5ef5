#pragma once

// A clock for the emulated machine in the window: the worker's long waits pass in a
// fraction of their time, so a demo shows the busy animation briefly instead of for
// twenty seconds.

#include "platform/Platform.h"

namespace tbt::app {

/// Waits `scale` times as long as asked on an underlying clock; time is that clock's.
class ScaledClock final : public platform::IClock {
 public:
  /// `inner` must outlive this clock; a scale below 0 counts as 0.
  ScaledClock(platform::IClock& inner, double scale);

  /// Waits trunc(milliseconds * scale) on the underlying clock.
  void Sleep(uint32_t milliseconds) override;
  uint64_t NowMilliseconds() override { return inner_.NowMilliseconds(); }

 private:
  platform::IClock& inner_;
  double scale_;
};

}  // namespace tbt::app
