#pragma once

// Whether the controller may still be flashing. The provider sets it when the router
// left the bus and did not come back, or never restarted, within the wait; the board
// device then leaves force power on, because cutting it mid-flash can lose the
// controller. Any later outcome the provider does know clears it.

#include <atomic>

namespace tbt::platform::linux_backend {

class ForcePowerHold {
 public:
  void Hold() { held_ = true; }
  void Release() { held_ = false; }
  bool Held() const { return held_; }

 private:
  std::atomic<bool> held_{false};
};

}  // namespace tbt::platform::linux_backend
