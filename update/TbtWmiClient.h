#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/wmi/Wmi.h"
#include "update/ResultCodes.h"

namespace tbt {

/// Capacity of the controller's object path in UTF-16 units, terminator included.
inline constexpr size_t kControllerPathCapacity = 260;

/// The client of the controller's management provider (namespace
/// ROOT\Intel\Thunderbolt, class SdkTbtController). One instance lives for the whole
/// program; the object path, once found, is kept for the rest of the run.
class CTbtWmiClient {
 public:
  /// The client connects through the namespaces of `registry`, which must outlive it.
  explicit CTbtWmiClient(const wmi::NamespaceRegistry& registry);

  /// Connects to the namespace, replacing any earlier connection; true when connected.
  bool ConnectWmi();
  /// Finds the first controller instance and keeps its escaped object path; true when
  /// a path is held afterwards.
  bool FindControllerPath();
  /// Reads the installed NVM version into *version (left as it was when the provider
  /// gives none); returns an update result code.
  UpdateResult GetCurrentNvmVersion(uint32_t* version);
  /// Reads `length` bytes of the controller's NVM at `offset` into destination; bytes
  /// the provider does not deliver are left unchanged. Returns an update result code.
  UpdateResult ReadFirmware(uint32_t offset, uint32_t length, uint8_t* destination);
  /// Sends the whole image in one call; returns an update result code.
  UpdateResult UpdateFirmware(const uint8_t* image, uint32_t size);

  /// Copies source into destination doubling every backslash, writing at most
  /// capacity - 1 units and a terminator. Does nothing for null pointers or capacity 0.
  static void EscapeObjectPath(const char16_t* source, char16_t* destination, size_t capacity);

  /// The controller's object path as held (empty until found).
  const char16_t* ControllerPath() const { return controllerPath_; }

 private:
  using InParamWriter = std::function<void(wmi::WbemClassObject& inParams)>;
  using OutParamReader = std::function<void(const wmi::WbemClassObject& outParams)>;

  /// The frame the three methods share: class, method, in-parameters (only when
  /// `writeIn` is given), execution on the controller path, "ReturnValue", and then
  /// `readOut` for the method's other out-parameters.
  UpdateResult CallMethod(std::u16string_view method, const InParamWriter& writeIn,
                          const OutParamReader& readOut);

  const wmi::NamespaceRegistry& registry_;
  std::shared_ptr<wmi::WbemServices> services_;
  char16_t controllerPath_[kControllerPathCapacity] = {};
};

}  // namespace tbt
