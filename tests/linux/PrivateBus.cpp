#include "PrivateBus.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <system_error>

namespace tbt::test {

namespace {

constexpr const char* kUnitPrefix = "/org/freedesktop/systemd1/unit";

std::string FindDaemon() {
  for (const char* candidate : {"/usr/bin/dbus-daemon", "/bin/dbus-daemon"}) {
    if (::access(candidate, X_OK) == 0) {
      return candidate;
    }
  }
  return {};
}

std::string UnitFromPath(const char* path) {
  char* name = nullptr;
  if (sd_bus_path_decode(path, kUnitPrefix, &name) <= 0) {
    return {};
  }
  std::string unit = name;
  free(name);
  return unit;
}

int UnitProperty(sd_bus*, const char* path, const char*, const char* property,
                 sd_bus_message* reply, void* userdata, sd_bus_error*) {
  auto* state = static_cast<FakeSystemState*>(userdata);
  std::lock_guard lock(state->mutex);
  const std::string unit = UnitFromPath(path);
  auto it = state->units.find(unit);
  FakeUnit value = it != state->units.end() ? it->second : FakeUnit{"not-found", "inactive"};
  const std::string& text =
      std::string(property) == "LoadState" ? value.loadState : value.activeState;
  return sd_bus_message_append(reply, "s", text.c_str());
}

int LoadUnit(sd_bus_message* call, void*, sd_bus_error*) {
  const char* unit = nullptr;
  int r = sd_bus_message_read(call, "s", &unit);
  if (r < 0) {
    return r;
  }
  char* path = nullptr;
  r = sd_bus_path_encode(kUnitPrefix, unit, &path);
  if (r < 0) {
    return r;
  }
  r = sd_bus_reply_method_return(call, "o", path);
  free(path);
  return r;
}

int StartUnit(sd_bus_message* call, void* userdata, sd_bus_error* error) {
  auto* state = static_cast<FakeSystemState*>(userdata);
  const char* unit = nullptr;
  const char* mode = nullptr;
  int r = sd_bus_message_read(call, "ss", &unit, &mode);
  if (r < 0) {
    return r;
  }
  std::lock_guard lock(state->mutex);
  state->startCalls.emplace_back(unit, mode);
  if (state->refuseStart) {
    return sd_bus_error_set(error, SD_BUS_ERROR_ACCESS_DENIED, "Access denied");
  }
  auto it = state->units.find(unit);
  if (it == state->units.end() || it->second.loadState == "not-found") {
    return sd_bus_error_setf(error, "org.freedesktop.systemd1.NoSuchUnit", "Unit %s not found.",
                             unit);
  }
  it->second.activeState = "active";
  return sd_bus_reply_method_return(call, "o", "/org/freedesktop/systemd1/job/1");
}

int PowerOff(sd_bus_message* call, void* userdata, sd_bus_error* error) {
  auto* state = static_cast<FakeSystemState*>(userdata);
  int interactive = 0;
  int r = sd_bus_message_read(call, "b", &interactive);
  if (r < 0) {
    return r;
  }
  std::lock_guard lock(state->mutex);
  state->powerOffCalls.push_back(interactive != 0);
  if (state->refusePowerOff) {
    return sd_bus_error_set(error, SD_BUS_ERROR_INTERACTIVE_AUTHORIZATION_REQUIRED,
                            "Interactive authentication required.");
  }
  return sd_bus_reply_method_return(call, "");
}

const sd_bus_vtable kSystemdManager[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("LoadUnit", "s", "o", LoadUnit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("StartUnit", "ss", "o", StartUnit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable kSystemdUnit[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("LoadState", "s", UnitProperty, 0, 0),
    SD_BUS_PROPERTY("ActiveState", "s", UnitProperty, 0, 0),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable kLogindManager[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("PowerOff", "b", "", PowerOff, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

}  // namespace

PrivateBus::PrivateBus() {
  const std::string daemon = FindDaemon();
  if (daemon.empty()) {
    why_ = "dbus-daemon is not installed (Debian package dbus)";
    return;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "tbt-bus-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    why_ = "no temporary folder";
    return;
  }
  folder_ = pattern;
  const std::filesystem::path config = folder_ / "bus.conf";
  std::ofstream(config) << "<busconfig><listen>unix:path=" << (folder_ / "socket").string()
                        << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                           "<allow user=\"*\"/><allow own=\"*\"/><allow send_destination=\"*\"/>"
                           "<allow receive_sender=\"*\"/></policy></busconfig>\n";
  int output[2];
  if (::pipe2(output, O_CLOEXEC) != 0) {
    why_ = "no pipe";
    return;
  }
  const std::string configArgument = "--config-file=" + config.string();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(output[1], STDOUT_FILENO);
    ::execl(daemon.c_str(), daemon.c_str(), configArgument.c_str(), "--nofork", "--nopidfile",
            "--print-address", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(output[1]);
  daemonPid_ = pid;
  // The daemon prints its address once it listens; reading it is the wait.
  std::string line;
  char c = 0;
  while (pid > 0 && ::read(output[0], &c, 1) == 1 && c != '\n') {
    line.push_back(c);
  }
  ::close(output[0]);
  if (line.empty()) {
    why_ = "dbus-daemon did not start";
    return;
  }
  address_ = line;
}

void PrivateBus::UseAsSystemBus(const std::string& address) {
  if (!redirected_) {
    redirected_ = true;
    if (const char* old = getenv("DBUS_SYSTEM_BUS_ADDRESS")) {
      previousSystemBus_ = old;
    }
  }
  setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
}

PrivateBus::~PrivateBus() {
  if (redirected_ && previousSystemBus_) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", previousSystemBus_->c_str(), 1);
  } else if (redirected_) {
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
  }
  stop_ = true;
  if (thread_.joinable()) {
    thread_.join();
  }
  for (sd_bus_slot* slot : slots_) {
    sd_bus_slot_unref(slot);
  }
  if (serviceBus_ != nullptr) {
    sd_bus_flush_close_unref(serviceBus_);
  }
  if (daemonPid_ > 0) {
    ::kill(daemonPid_, SIGTERM);
    int status = 0;
    ::waitpid(daemonPid_, &status, 0);
  }
  if (!folder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
}

bool PrivateBus::ServeFakeServices() {
  if (!Running()) {
    return false;
  }
  if (sd_bus_new(&serviceBus_) < 0 || sd_bus_set_address(serviceBus_, address_.c_str()) < 0 ||
      sd_bus_set_bus_client(serviceBus_, 1) < 0 || sd_bus_start(serviceBus_) < 0) {
    why_ = "cannot connect the fake services";
    return false;
  }
  sd_bus_slot* slots[3] = {};
  const bool served =
      sd_bus_add_object_vtable(serviceBus_, &slots[0], "/org/freedesktop/systemd1",
                               "org.freedesktop.systemd1.Manager", kSystemdManager, &state_) >= 0 &&
      sd_bus_add_fallback_vtable(serviceBus_, &slots[1], kUnitPrefix,
                                 "org.freedesktop.systemd1.Unit", kSystemdUnit, nullptr,
                                 &state_) >= 0 &&
      sd_bus_add_object_vtable(serviceBus_, &slots[2], "/org/freedesktop/login1",
                               "org.freedesktop.login1.Manager", kLogindManager, &state_) >= 0;
  slots_.assign(std::begin(slots), std::end(slots));
  if (!served || sd_bus_request_name(serviceBus_, "org.freedesktop.systemd1", 0) < 0 ||
      sd_bus_request_name(serviceBus_, "org.freedesktop.login1", 0) < 0) {
    why_ = "cannot own the service names";
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
    if (r == 0) {
      // Woken by traffic; the bound only lets the destructor's stop flag be seen.
      sd_bus_wait(serviceBus_, 20'000);
    }
  }
}

}  // namespace tbt::test
