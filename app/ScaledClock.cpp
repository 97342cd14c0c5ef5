#include "app/ScaledClock.h"

namespace tbt::app {

ScaledClock::ScaledClock(platform::IClock& inner, double scale)
    : inner_(inner), scale_(scale > 0 ? scale : 0) {}

void ScaledClock::Sleep(uint32_t milliseconds) {
  const double scaled = static_cast<double>(milliseconds) * scale_;
  inner_.Sleep(scaled >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(scaled));
}

}  // namespace tbt::app
