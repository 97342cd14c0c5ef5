#pragma once

// The board's ACPI driver device and the requests it takes: shared by the engine that
// sends them and the Linux and emulated devices that answer them. A request is a
// method tag (u32 LE), a payload length (u32 LE) and the payload; a method call's
// payload is two u32 LE arguments and its answer one u32 LE result.

#include <cstdint>
#include <optional>
#include <span>

#include "platform/ByteOrder.h"

namespace tbt {

/// Path of the board's ACPI driver device.
inline constexpr char16_t kAcpiDevicePath[] = u"\\\\.\\KXRACPI";
/// Control code of one exchange with the driver (type 0x22, function 0x903, buffered).
inline constexpr uint32_t kAcpiControlCode = 0x0022240C;
/// Method tag "DEVS" (first letter in the lowest byte): switches a platform device on or off.
inline constexpr uint32_t kAcpiMethodDevs = 0x53564544;
/// The platform device switched on around an update.
inline constexpr uint32_t kThunderboltPlatformDevice = 0x00060057;

/// Size of a request's header: the method tag and the payload length.
inline constexpr uint32_t kAcpiRequestHeaderSize = 8;
/// Size of a method call's payload: two 32-bit arguments.
inline constexpr uint32_t kAcpiMethodArgumentsSize = 8;
/// Size of a method call's answer: one 32-bit result.
inline constexpr uint32_t kAcpiMethodResultSize = 4;

/// A request's header.
struct AcpiRequestHeader {
  uint32_t methodTag = 0;
  uint32_t payloadLength = 0;
};

/// A method call with its two arguments.
struct AcpiMethodCall {
  uint32_t methodTag = 0;
  uint32_t firstArgument = 0;
  uint32_t secondArgument = 0;
};

/// The header of `request`; nullopt when the request is shorter than a header.
inline std::optional<AcpiRequestHeader> ReadAcpiRequestHeader(std::span<const uint8_t> request) {
  if (request.size() < kAcpiRequestHeaderSize) {
    return std::nullopt;
  }
  return AcpiRequestHeader{ReadLittleEndian(request.data(), 4),
                           ReadLittleEndian(request.data() + 4, 4)};
}

/// The method call `request` carries: its payload length must be what follows the
/// header and exactly two arguments. nullopt otherwise; nothing past the request is read.
inline std::optional<AcpiMethodCall> ReadAcpiMethodCall(std::span<const uint8_t> request) {
  const std::optional<AcpiRequestHeader> header = ReadAcpiRequestHeader(request);
  if (!header || header->payloadLength != request.size() - kAcpiRequestHeaderSize ||
      header->payloadLength != kAcpiMethodArgumentsSize) {
    return std::nullopt;
  }
  const uint8_t* arguments = request.data() + kAcpiRequestHeaderSize;
  return AcpiMethodCall{header->methodTag, ReadLittleEndian(arguments, 4),
                        ReadLittleEndian(arguments + 4, 4)};
}

}  // namespace tbt
