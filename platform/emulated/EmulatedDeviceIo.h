#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/AcpiRequest.h"
#include "platform/Platform.h"

namespace tbt::emulated {

class EmulatedCallLog;

// The driver's names as its tests spell them; the values live in platform/AcpiRequest.h.
inline constexpr const char16_t* kEmulatedAcpiDevicePath = kAcpiDevicePath;
inline constexpr uint32_t kEmulatedAcpiControlCode = kAcpiControlCode;
inline constexpr uint32_t kEmulatedDevsTag = kAcpiMethodDevs;
inline constexpr uint32_t kEmulatedThunderboltDeviceId = kThunderboltPlatformDevice;

/// The board's ACPI driver as a device node: it takes requests of the layout
/// (method tag u32 LE, payload length u32 LE, payload) under one control code,
/// answers DEVS (device id, value) with a 4-byte result and remembers each device's
/// on/off state. Malformed requests are refused and never read past their end.
class EmulatedDeviceIo final : public platform::IDeviceIo {
 public:
  explicit EmulatedDeviceIo(EmulatedCallLog* log = nullptr);

  platform::Handle OpenDevice(std::u16string_view path) override;
  bool DeviceIoControl(platform::Handle device, uint32_t controlCode, const uint8_t* input,
                       uint32_t inputSize, uint8_t* output, uint32_t outputSize,
                       uint32_t* bytesReturned) override;
  bool CloseHandle(platform::Handle device) override;

  /// Makes the ACPI device present or absent (absent: OpenDevice fails).
  void SetAcpiDevicePresent(bool present);
  /// Replaces the answer of every accepted request with these bytes (for answers
  /// shorter or longer than 4 bytes); nullopt restores the normal 4-byte result.
  void SetAnswerOverride(std::optional<std::vector<uint8_t>> answer);

  /// Whether DEVS last switched the device on (false before any switch).
  bool IsDeviceOn(uint32_t deviceId) const;
  /// Number of handles opened and not yet closed.
  size_t OpenHandleCount() const;

 private:
  // Logs a refused request; always false.
  bool Refuse(const std::string& what);

  EmulatedCallLog* log_;
  mutable std::mutex mutex_;
  bool present_ = true;
  std::optional<std::vector<uint8_t>> answerOverride_;
  std::map<uint32_t, bool> deviceOn_;
  std::set<platform::Handle> openHandles_;
  platform::Handle nextHandle_ = 0x100;
};

}  // namespace tbt::emulated
