#include "PrivateBus.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace tbt::test {

namespace {

constexpr const char* kUnitPrefix = "/org/freedesktop/systemd1/unit";

// One handler plays systemd's manager and units and logind's manager; a call it does
// not know gets sd-bus's own "unknown method" error.
int Handle(sd_bus_message* call, void* userdata, sd_bus_error* error) {
  auto& state = *static_cast<FakeSystemState*>(userdata);
  const char* name = sd_bus_message_get_member(call);
  const std::string member = name != nullptr ? name : "";
  const char* first = nullptr;
  const char* second = nullptr;
  int interactive = 0;
  std::lock_guard lock(state.mutex);
  if (member == "LoadUnit" && sd_bus_message_read(call, "s", &first) >= 0) {
    char* path = nullptr;
    int r = sd_bus_path_encode(kUnitPrefix, first, &path);
    r = r < 0 ? r : sd_bus_reply_method_return(call, "o", path);
    free(path);
    return r;
  }
  if (member == "Get" && sd_bus_message_read(call, "ss", &first, &second) >= 0) {
    char* unit = nullptr;
    FakeUnit value{"not-found", "inactive"};
    if (sd_bus_path_decode(sd_bus_message_get_path(call), kUnitPrefix, &unit) > 0 &&
        state.units.count(unit) != 0) {
      value = state.units[unit];
    }
    free(unit);
    const std::string& text =
        std::string(second) == "LoadState" ? value.loadState : value.activeState;
    return sd_bus_reply_method_return(call, "v", "s", text.c_str());
  }
  if (member == "StartUnit" && sd_bus_message_read(call, "ss", &first, &second) >= 0) {
    state.startCalls.emplace_back(first, second);
    auto it = state.units.find(first);
    if (state.refuseStart) {
      return sd_bus_error_set(error, SD_BUS_ERROR_ACCESS_DENIED, "Access denied");
    }
    if (it == state.units.end() || it->second.loadState == "not-found") {
      return sd_bus_error_setf(error, "org.freedesktop.systemd1.NoSuchUnit", "Unit %s not found.",
                               first);
    }
    it->second.activeState = "active";
    return sd_bus_reply_method_return(call, "o", "/org/freedesktop/systemd1/job/1");
  }
  if (member == "PowerOff" && sd_bus_message_read(call, "b", &interactive) >= 0) {
    state.powerOffCalls.push_back(interactive != 0);
    return state.refusePowerOff
               ? sd_bus_error_set(error, SD_BUS_ERROR_INTERACTIVE_AUTHORIZATION_REQUIRED,
                                  "Interactive authentication required.")
               : sd_bus_reply_method_return(call, "");
  }
  return 0;
}

}  // namespace

PrivateBus::PrivateBus() {
  const std::filesystem::path config = folder_.Write(
      "bus.conf",
      "<busconfig><listen>unix:path=" + folder_.Path("socket").string() +
          "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow user=\"*\"/>"
          "<allow own=\"*\"/><allow send_destination=\"*\"/>"
          "<allow receive_sender=\"*\"/></policy></busconfig>\n");
  int output[2];
  const std::string configArgument = "--config-file=" + config.string();
  const pid_t pid = ::pipe2(output, O_CLOEXEC) == 0 ? ::fork() : -1;
  if (pid == 0) {
    ::dup2(output[1], STDOUT_FILENO);
    ::execlp("dbus-daemon", "dbus-daemon", configArgument.c_str(), "--nofork", "--nopidfile",
             "--print-address", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  if (pid < 0) {
    why_ = "cannot start dbus-daemon";
    return;
  }
  ::close(output[1]);
  daemonPid_ = pid;
  // The daemon prints its address once it listens; reading it is the wait.
  std::string line;
  char c = 0;
  while (::read(output[0], &c, 1) == 1 && c != '\n') {
    line.push_back(c);
  }
  ::close(output[0]);
  if (line.empty()) {
    why_ = "dbus-daemon did not start (is the Debian package dbus installed?)";
    return;
  }
  address_ = line;
}

void PrivateBus::UseAsSystemBus(const std::string& address) const {
  setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
}

PrivateBus::~PrivateBus() {
  stop_ = true;
  if (thread_.joinable()) {
    thread_.join();
  }
  sd_bus_slot_unref(slot_);
  if (serviceBus_ != nullptr) {
    sd_bus_flush_close_unref(serviceBus_);
  }
  if (daemonPid_ > 0) {
    ::kill(daemonPid_, SIGTERM);
    int status = 0;
    ::waitpid(daemonPid_, &status, 0);
  }
}

bool PrivateBus::ServeFakeServices() {
  if (!Running()) {
    return false;
  }
  if (sd_bus_new(&serviceBus_) < 0 || sd_bus_set_address(serviceBus_, address_.c_str()) < 0 ||
      sd_bus_set_bus_client(serviceBus_, 1) < 0 || sd_bus_start(serviceBus_) < 0 ||
      sd_bus_add_fallback(serviceBus_, &slot_, "/", Handle, &state_) < 0 ||
      sd_bus_request_name(serviceBus_, "org.freedesktop.systemd1", 0) < 0 ||
      sd_bus_request_name(serviceBus_, "org.freedesktop.login1", 0) < 0) {
    why_ = "cannot serve the fake services";
    return false;
  }
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void PrivateBus::Serve() {
  while (!stop_) {
    const int r = sd_bus_process(serviceBus_, nullptr);
    if (r < 0) {
      return;
    }
    // Woken by traffic; the bound only lets the destructor's stop flag be seen.
    if (r == 0)
      sd_bus_wait(serviceBus_, 20'000);
  }
}

}  // namespace tbt::test
