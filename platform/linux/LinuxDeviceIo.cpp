#include "platform/linux/LinuxDeviceIo.h"

#include "platform/ByteOrder.h"
#include "platform/Utf16.h"
#include "platform/linux/LinuxReturnValues.h"

namespace tbt::platform::linux_backend {

namespace {

// A method call: tag, payload length 8, two 32-bit arguments.
constexpr uint32_t kMethodCallSize = 16;

}  // namespace

Handle LinuxDeviceIo::OpenDevice(std::u16string_view path) {
  if (!EqualsIgnoreAsciiCase(path, kAcpiDevicePath) ||
      (!tree_.HasThunderboltBus() && !tree_.FindForcePower())) {
    return kInvalidHandle;
  }
  std::lock_guard lock(mutex_);
  const Handle handle = next_++;
  open_.insert(handle);
  return handle;
}

bool LinuxDeviceIo::DeviceIoControl(Handle device, uint32_t controlCode, const uint8_t* input,
                                    uint32_t inputSize, uint8_t* output, uint32_t outputSize,
                                    uint32_t* bytesReturned) {
  {
    std::lock_guard lock(mutex_);
    if (open_.count(device) == 0) {
      return false;
    }
  }
  if (controlCode != kAcpiControlCode || input == nullptr || inputSize != kMethodCallSize) {
    return false;
  }
  const uint32_t tag = ReadLittleEndian(input, 4);
  const uint32_t payloadLength = ReadLittleEndian(input + 4, 4);
  const uint32_t deviceId = ReadLittleEndian(input + 8, 4);
  const uint32_t value = ReadLittleEndian(input + 12, 4);
  if (tag != kDevsMethodTag || payloadLength != 8 || deviceId != kThunderboltDeviceId ||
      value > 1) {
    return false;
  }
  if (value == 0) {
    const bool switched = hold_.Held() || privileged_.SetForcePower(false) == kTbtOk;
    privileged_.Finish();
    if (!switched) {
      return false;
    }
  } else {
    if (privileged_.SetForcePower(true) != kTbtOk) {
      return false;
    }
    // The bus and the host router appear some time after the controller powers up.
    const uint64_t start = clock_.NowMilliseconds();
    while (tree_.HostRouters().empty() &&
           clock_.NowMilliseconds() - start < kHostRouterAppearMilliseconds) {
      clock_.Sleep(kHostRouterPollMilliseconds);
    }
  }
  uint32_t answered = 0;
  for (; answered < 4 && answered < outputSize && output != nullptr; ++answered) {
    output[answered] = 0;
  }
  if (bytesReturned != nullptr) {
    *bytesReturned = answered;
  }
  return true;
}

bool LinuxDeviceIo::CloseHandle(Handle device) {
  std::lock_guard lock(mutex_);
  return open_.erase(device) == 1;
}

}  // namespace tbt::platform::linux_backend
