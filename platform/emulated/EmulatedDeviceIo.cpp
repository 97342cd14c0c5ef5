#include "platform/emulated/EmulatedDeviceIo.h"

#include <algorithm>
#include <cstring>

#include <span>

#include "platform/AcpiRequest.h"
#include "platform/ByteOrder.h"
#include "platform/Utf16.h"
#include "platform/emulated/EmulatedCallLog.h"

namespace tbt::emulated {

namespace {

// What the driver answers for a device switch that it carried out.
constexpr uint32_t kDevsDone = 0;

}  // namespace

EmulatedDeviceIo::EmulatedDeviceIo(EmulatedCallLog* log) : log_(log) {}

platform::Handle EmulatedDeviceIo::OpenDevice(std::u16string_view path) {
  std::lock_guard lock(mutex_);
  if (log_ != nullptr) {
    log_->Record(CallKind::kOpenDevice, ToUtf8(path));
  }
  // Device names are case-insensitive on the original platform.
  if (!present_ || !EqualsIgnoreAsciiCase(path, kAcpiDevicePath)) {
    return platform::kInvalidHandle;
  }
  const platform::Handle handle = nextHandle_++;
  openHandles_.insert(handle);
  return handle;
}

bool EmulatedDeviceIo::Refuse(const std::string& what) {
  if (log_ != nullptr) {
    log_->Record(CallKind::kDeviceControl, what + " refused");
  }
  return false;
}

bool EmulatedDeviceIo::DeviceIoControl(platform::Handle device, uint32_t controlCode,
                                       const uint8_t* input, uint32_t inputSize, uint8_t* output,
                                       uint32_t outputSize, uint32_t* bytesReturned) {
  std::lock_guard lock(mutex_);
  if (openHandles_.count(device) == 0 || controlCode != kAcpiControlCode) {
    return Refuse("request");
  }
  // The header must be there, and the payload length must agree with the buffer.
  const std::span<const uint8_t> request(input, input == nullptr ? 0 : inputSize);
  const std::optional<AcpiRequestHeader> header = ReadAcpiRequestHeader(request);
  if (!header) {
    return Refuse("request");
  }
  const std::optional<AcpiMethodCall> call = ReadAcpiMethodCall(request);
  if (!call || call->methodTag != kAcpiMethodDevs) {
    return Refuse(MethodTagText(header->methodTag));
  }
  const uint32_t deviceId = call->firstArgument;
  const uint32_t value = call->secondArgument;
  if (log_ != nullptr) {
    log_->Record(CallKind::kDeviceControl, MethodTagText(call->methodTag), {deviceId, value});
  }
  deviceOn_[deviceId] = value != 0;

  uint8_t result[kAcpiMethodResultSize];
  WriteLittleEndian(result, kDevsDone, kAcpiMethodResultSize);
  const uint8_t* answer = result;
  size_t answerSize = kAcpiMethodResultSize;
  if (answerOverride_) {
    answer = answerOverride_->data();
    answerSize = answerOverride_->size();
  }
  // A driver answers no more than the caller's buffer holds.
  const uint32_t written =
      static_cast<uint32_t>(std::min<size_t>(answerSize, output == nullptr ? 0 : outputSize));
  if (written > 0) {
    std::memcpy(output, answer, written);
  }
  if (bytesReturned != nullptr) {
    *bytesReturned = written;
  }
  return true;
}

bool EmulatedDeviceIo::CloseHandle(platform::Handle device) {
  std::lock_guard lock(mutex_);
  if (log_ != nullptr) {
    log_->Record(CallKind::kCloseDevice);
  }
  return openHandles_.erase(device) == 1;
}

void EmulatedDeviceIo::SetAcpiDevicePresent(bool present) {
  std::lock_guard lock(mutex_);
  present_ = present;
}

void EmulatedDeviceIo::SetAnswerOverride(std::optional<std::vector<uint8_t>> answer) {
  std::lock_guard lock(mutex_);
  answerOverride_ = std::move(answer);
}

bool EmulatedDeviceIo::IsDeviceOn(uint32_t deviceId) const {
  std::lock_guard lock(mutex_);
  const auto found = deviceOn_.find(deviceId);
  return found != deviceOn_.end() && found->second;
}

size_t EmulatedDeviceIo::OpenHandleCount() const {
  std::lock_guard lock(mutex_);
  return openHandles_.size();
}

}  // namespace tbt::emulated
