#include "update/AcpiDevice.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/ByteOrder.h"

namespace tbt {

AcpiDevice::~AcpiDevice() {
  CloseAcpiDevice(*this);
}

bool OpenAcpiDevice(AcpiDevice& device) {
  device.handle_ = device.io_.OpenDevice(kAcpiDevicePath);
  return device.IsOpen();
}

bool CloseAcpiDevice(AcpiDevice& device) {
  if (!device.IsOpen()) {
    return false;
  }
  device.io_.CloseHandle(device.handle_);
  device.handle_ = platform::kNullHandle;
  return true;
}

bool AcpiTransfer(AcpiDevice& device, uint32_t methodTag, const uint8_t* payload,
                  uint32_t payloadLength, uint8_t* answer, uint32_t* answerLength) {
  // The request's length field is 32 bits wide, and the payload must be readable.
  if (payloadLength > UINT32_MAX - kAcpiRequestHeaderSize ||
      (payload == nullptr && payloadLength > 0)) {
    return false;
  }
  std::vector<uint8_t> request(kAcpiRequestHeaderSize + payloadLength);
  WriteLittleEndian(request.data(), methodTag, 4);
  WriteLittleEndian(request.data() + 4, payloadLength, 4);
  if (payloadLength > 0) {
    std::memcpy(request.data() + kAcpiRequestHeaderSize, payload, payloadLength);
  }

  uint8_t reply[kAcpiAnswerCapacity] = {};
  uint32_t bytesReturned = 0;
  const bool accepted = device.io_.DeviceIoControl(device.handle_, kAcpiControlCode, request.data(),
                                                   static_cast<uint32_t>(request.size()), reply,
                                                   sizeof reply, &bytesReturned);
  if (accepted && answerLength != nullptr) {
    // Never trust the driver's count beyond the buffer it was given.
    const uint32_t received = std::min<uint32_t>(bytesReturned, kAcpiAnswerCapacity);
    *answerLength = answer == nullptr ? 0 : std::min(*answerLength, received);
    if (*answerLength > 0) {
      std::memcpy(answer, reply, *answerLength);
    }
  }
  return accepted;
}

bool AcpiCallMethod(AcpiDevice& device, uint32_t methodTag, uint32_t firstArgument,
                    uint32_t secondArgument, uint32_t* result) {
  if (!device.IsOpen()) {
    return false;
  }
  uint8_t payload[kAcpiMethodArgumentsSize];
  WriteLittleEndian(payload, firstArgument, 4);
  WriteLittleEndian(payload + 4, secondArgument, 4);
  uint8_t answer[kAcpiMethodResultSize] = {};
  uint32_t answerLength = kAcpiMethodResultSize;
  if (!AcpiTransfer(device, methodTag, payload, sizeof payload, answer, &answerLength)) {
    return false;
  }
  if (result != nullptr) {
    // A driver that answers fewer than 4 bytes gives no result: it counts as 0.
    *result =
        answerLength >= kAcpiMethodResultSize ? ReadLittleEndian(answer, kAcpiMethodResultSize) : 0;
  }
  return true;
}

}  // namespace tbt
