#include "platform/linux/SystemdServiceManager.h"

#include <memory>
#include <utility>

#include <systemd/sd-bus.h>

#include <cstdlib>

#include "platform/Utf16.h"

namespace tbt::platform::linux_backend {

namespace {

constexpr const char* kSystemd = "org.freedesktop.systemd1";
constexpr const char* kSystemdPath = "/org/freedesktop/systemd1";
constexpr const char* kManagerInterface = "org.freedesktop.systemd1.Manager";
constexpr const char* kUnitInterface = "org.freedesktop.systemd1.Unit";
constexpr const char* kNoSuchUnit = "org.freedesktop.systemd1.NoSuchUnit";

thread_local uint32_t t_lastError = 0;

uint32_t ErrorFromBus(const sd_bus_error& error) {
  if (sd_bus_error_has_name(&error, kNoSuchUnit)) {
    return kErrorServiceDoesNotExist;
  }
  if (sd_bus_error_has_name(&error, SD_BUS_ERROR_ACCESS_DENIED) ||
      sd_bus_error_has_name(&error, SD_BUS_ERROR_INTERACTIVE_AUTHORIZATION_REQUIRED)) {
    return kErrorAccessDenied;
  }
  if (sd_bus_error_has_name(&error, SD_BUS_ERROR_SERVICE_UNKNOWN) ||
      sd_bus_error_has_name(&error, SD_BUS_ERROR_NAME_HAS_NO_OWNER) ||
      sd_bus_error_has_name(&error, SD_BUS_ERROR_NO_REPLY)) {
    return kErrorServiceManagerUnavailable;
  }
  return kErrorServiceStartFailed;
}

// A bus error that frees what sd-bus put into it.
struct ScopedBusError {
  sd_bus_error error{};  // all null: the same as SD_BUS_ERROR_NULL, without a C compound literal
  ScopedBusError() = default;
  ScopedBusError(const ScopedBusError&) = delete;
  ScopedBusError& operator=(const ScopedBusError&) = delete;
  ~ScopedBusError() { sd_bus_error_free(&error); }
};

struct MessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using MessagePtr = std::unique_ptr<sd_bus_message, MessageUnref>;

// sd-bus hands out malloc'd strings.
struct FreeString {
  void operator()(char* text) const { free(text); }  // NOLINT
};

// Calls a method of systemd's manager; the reply, or null with *error set.
MessagePtr CallManager(sd_bus* bus, const char* method, uint32_t* error, const char* types,
                       const char* first, const char* second = nullptr) {
  ScopedBusError busError;
  sd_bus_message* reply = nullptr;
  const int r = second == nullptr
                    ? sd_bus_call_method(bus, kSystemd, kSystemdPath, kManagerInterface, method,
                                         &busError.error, &reply, types, first)
                    : sd_bus_call_method(bus, kSystemd, kSystemdPath, kManagerInterface, method,
                                         &busError.error, &reply, types, first, second);
  MessagePtr owned(reply);
  if (r < 0) {
    *error = ErrorFromBus(busError.error);
    return nullptr;
  }
  return owned;
}

// Reads a string property of a unit object; empty with *error set on failure.
std::string UnitProperty(sd_bus* bus, const std::string& objectPath, const char* name,
                         uint32_t* error) {
  ScopedBusError busError;
  char* value = nullptr;
  const int r = sd_bus_get_property_string(bus, kSystemd, objectPath.c_str(), kUnitInterface, name,
                                           &busError.error, &value);
  const std::unique_ptr<char, FreeString> owned(value);
  if (r < 0) {
    *error = ErrorFromBus(busError.error);
    return {};
  }
  return value;
}

}  // namespace

std::string UnitNameForService(std::u16string_view serviceName) {
  if (EqualsIgnoreAsciiCase(serviceName, u"ThunderboltService")) {
    return "bolt.service";
  }
  std::string unit = ToUtf8(serviceName);
  if (unit.find('.') == std::string::npos) {
    unit += ".service";
  }
  return unit;
}

void SystemdServiceManager::BusCloser::operator()(sd_bus* bus) const {
  sd_bus_flush_close_unref(bus);
}

bool SystemdServiceManager::Fail(uint32_t error) {
  t_lastError = error;
  return false;
}

Handle SystemdServiceManager::OpenManager() {
  sd_bus* opened = nullptr;
  const int r = sd_bus_open_system(&opened);
  BusPtr bus(opened);
  if (r < 0) {
    Fail(kErrorServiceManagerUnavailable);
    return kNullHandle;
  }
  // systemd asks polkit, which may ask the user, when the caller is not root.
  sd_bus_set_allow_interactive_authorization(bus.get(), 1);
  std::lock_guard lock(mutex_);
  const Handle handle = next_++;
  managers_[handle] = std::move(bus);
  return handle;
}

Handle SystemdServiceManager::OpenByName(Handle manager, std::u16string_view name) {
  sd_bus* bus = nullptr;
  {
    std::lock_guard lock(mutex_);
    auto it = managers_.find(manager);
    if (it == managers_.end()) {
      Fail(kErrorServiceManagerUnavailable);
      return kNullHandle;
    }
    bus = it->second.get();
  }
  const std::string unit = UnitNameForService(name);
  uint32_t loadError = 0;
  const MessagePtr reply = CallManager(bus, "LoadUnit", &loadError, "s", unit.c_str());
  std::string objectPath;
  const char* path = nullptr;
  if (reply && sd_bus_message_read(reply.get(), "o", &path) >= 0 && path != nullptr) {
    objectPath = path;
  }
  if (objectPath.empty()) {
    Fail(loadError != 0 ? loadError : kErrorServiceStartFailed);
    return kNullHandle;
  }
  // systemd loads any name; a unit without a file reads LoadState "not-found".
  uint32_t propertyError = 0;
  const std::string loadState = UnitProperty(bus, objectPath, "LoadState", &propertyError);
  if (propertyError != 0) {
    Fail(propertyError);
    return kNullHandle;
  }
  if (loadState == "not-found") {
    Fail(kErrorServiceDoesNotExist);
    return kNullHandle;
  }
  std::lock_guard lock(mutex_);
  const Handle handle = next_++;
  services_[handle] = Service{manager, unit, objectPath};
  return handle;
}

bool SystemdServiceManager::Start(Handle service) {
  sd_bus* bus = nullptr;
  Service record;
  {
    std::lock_guard lock(mutex_);
    auto it = services_.find(service);
    if (it == services_.end()) {
      return Fail(kErrorServiceDoesNotExist);
    }
    record = it->second;
    auto manager = managers_.find(record.manager);
    if (manager == managers_.end()) {
      return Fail(kErrorServiceManagerUnavailable);
    }
    bus = manager->second.get();
  }
  uint32_t propertyError = 0;
  const std::string activeState =
      UnitProperty(bus, record.objectPath, "ActiveState", &propertyError);
  if (propertyError != 0) {
    return Fail(propertyError);
  }
  if (activeState == "active" || activeState == "reloading") {
    return Fail(kErrorServiceAlreadyRunning);
  }
  uint32_t startError = 0;
  if (!CallManager(bus, "StartUnit", &startError, "ss", record.unit.c_str(), "replace")) {
    return Fail(startError);
  }
  return true;
}

uint32_t SystemdServiceManager::GetLastError() {
  return t_lastError;
}

bool SystemdServiceManager::CloseServiceHandle(Handle handle) {
  std::lock_guard lock(mutex_);
  if (services_.erase(handle) == 1) {
    return true;
  }
  return managers_.erase(handle) == 1;
}

}  // namespace tbt::platform::linux_backend
