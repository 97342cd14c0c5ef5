#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace tbt::emulated {

/// What kind of platform call a log entry records.
enum class CallKind {
  kOpenDevice,
  kDeviceControl,
  kCloseDevice,
  kOpenServiceManager,
  kOpenService,
  kStartService,
  kCloseServiceHandle,
  kSleep,
  /// The provider was asked whether its namespace can be reached: on every connect
  /// and before every call through the connected services.
  kWmiReachable,
  kProviderMethod,
  kBatteryQuery,
  kShutdownPrivilege,
  kPowerOff,
};

/// One recorded platform call. `name` is the method tag as text ("DEVS"), the
/// service or provider method name; `args` the numbers that matter for the call
/// (device id and value, milliseconds).
struct CallRecord {
  CallKind kind = CallKind::kSleep;
  std::string name;
  std::vector<uint64_t> args;

  /// A short text such as "DeviceControl DEVS 0x60057 1" or "Sleep 10000".
  std::string ToString() const;
  bool operator==(const CallRecord&) const = default;
};

/// The ordered record of every call the emulated platform served. Shared by all
/// emulated pieces of one platform; safe to use from the update worker's thread.
class EmulatedCallLog {
 public:
  /// Appends one entry.
  void Record(CallKind kind, std::string name = {}, std::vector<uint64_t> args = {});
  /// A copy of every entry in call order.
  std::vector<CallRecord> Entries() const;
  /// Every entry as text, in call order.
  std::vector<std::string> Lines() const;
  /// How many entries are of the given kind.
  size_t Count(CallKind kind) const;
  /// How many entries are of the given kind and name.
  size_t Count(CallKind kind, const std::string& name) const;
  /// Forgets every entry.
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<CallRecord> entries_;
};

/// The name of a call kind as used in CallRecord::ToString ("DeviceControl").
const char* CallKindName(CallKind kind);

/// A method tag as its four ASCII letters, first letter from the lowest byte.
std::string MethodTagText(uint32_t tag);

}  // namespace tbt::emulated
