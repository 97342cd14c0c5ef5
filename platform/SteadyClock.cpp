#include "platform/SteadyClock.h"

#include <chrono>
#include <thread>

namespace tbt::platform {

void SteadyClock::Sleep(uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

uint64_t SteadyClock::NowMilliseconds() {
  const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

}  // namespace tbt::platform
