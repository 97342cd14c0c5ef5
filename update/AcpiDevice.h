#pragma once

#include <cstdint>

#include "platform/AcpiRequest.h"
#include "platform/Platform.h"

namespace tbt {

/// Size of the answer buffer of one exchange.
inline constexpr uint32_t kAcpiAnswerCapacity = 1024;

/// The process's handle of the ACPI driver device and the device I/O it came from.
/// 0 until the first open; after an open attempt the opened or the invalid handle.
class AcpiDevice {
 public:
  /// A closed device that will be reached through `io`, which must outlive it.
  explicit AcpiDevice(platform::IDeviceIo& io) : io_(io) {}
  /// Closes the handle if it is still open.
  ~AcpiDevice();
  AcpiDevice(const AcpiDevice&) = delete;
  AcpiDevice& operator=(const AcpiDevice&) = delete;

  /// True when the handle is neither 0 nor the invalid value.
  bool IsOpen() const { return platform::IsOpen(handle_); }
  /// The stored handle.
  platform::Handle NativeHandle() const { return handle_; }

 private:
  friend bool OpenAcpiDevice(AcpiDevice& device);
  friend bool CloseAcpiDevice(AcpiDevice& device);
  friend bool AcpiTransfer(AcpiDevice& device, uint32_t methodTag, const uint8_t* payload,
                           uint32_t payloadLength, uint8_t* answer, uint32_t* answerLength);

  platform::IDeviceIo& io_;
  platform::Handle handle_ = platform::kNullHandle;
};

/// Opens the driver device; the result, valid or not, replaces the stored handle.
/// Returns whether the handle is valid.
bool OpenAcpiDevice(AcpiDevice& device);

/// Closes an open handle and sets it to 0; false when none was open.
bool CloseAcpiDevice(AcpiDevice& device);

/// One exchange: sends (tag, payload length, payload), receives up to 1024 bytes.
/// On success *answerLength becomes min(*answerLength, bytes returned) and that many
/// bytes are copied to `answer`. Returns whether the driver accepted the exchange.
bool AcpiTransfer(AcpiDevice& device, uint32_t methodTag, const uint8_t* payload,
                  uint32_t payloadLength, uint8_t* answer, uint32_t* answerLength);

/// Calls an ACPI method with two arguments. False (and *result untouched) when the
/// device is not open or the exchange failed; otherwise *result is the 32-bit answer,
/// or 0 when the answer was shorter than 4 bytes.
bool AcpiCallMethod(AcpiDevice& device, uint32_t methodTag, uint32_t firstArgument,
                    uint32_t secondArgument, uint32_t* result);

}  // namespace tbt
