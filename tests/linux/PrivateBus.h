#pragma once

// A private dbus-daemon started by a test, with fake systemd and logind services
// served by sd-bus on a thread of the test. The backend reaches it through
// DBUS_SYSTEM_BUS_ADDRESS, so nothing touches the machine's own system bus.

#include <systemd/sd-bus.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/TempFolder.h"

namespace tbt::test {

/// One unit the fake systemd knows.
struct FakeUnit {
  std::string loadState = "loaded";
  std::string activeState = "inactive";
};

/// What the fake services were asked and how they answer.
struct FakeSystemState {
  std::mutex mutex;
  std::map<std::string, FakeUnit> units;
  std::vector<std::pair<std::string, std::string>> startCalls;  // (unit, mode)
  std::vector<bool> powerOffCalls;                              // the interactive flag
  bool refuseStart = false;
  bool refusePowerOff = false;
};

class PrivateBus {
 public:
  PrivateBus();
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  /// False (with Why()) when dbus-daemon is missing or did not start.
  bool Running() const { return !address_.empty(); }
  const std::string& Why() const { return why_; }
  const std::string& Address() const { return address_; }
  /// A socket address nobody listens on, inside this bus's folder.
  std::string DeadAddress() const { return "unix:path=" + folder_.Path("nobody").string(); }

  /// Starts serving org.freedesktop.systemd1 and org.freedesktop.login1.
  bool ServeFakeServices();
  FakeSystemState& State() { return state_; }
  /// Points DBUS_SYSTEM_BUS_ADDRESS at `address`. It stays set when the bus ends,
  /// naming a socket that is gone, so no later test reaches the machine's own bus.
  void UseAsSystemBus(const std::string& address) const;

 private:
  void Serve();

  TempFolder folder_{"tbt-bus"};  // removed after the daemon has ended
  std::string address_;
  std::string why_;
  int daemonPid_ = -1;
  sd_bus* serviceBus_ = nullptr;
  sd_bus_slot* slot_ = nullptr;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  FakeSystemState state_;
};

}  // namespace tbt::test
