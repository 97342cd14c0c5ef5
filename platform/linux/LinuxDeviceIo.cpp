#include "platform/linux/LinuxDeviceIo.h"

#include <span>

#include "platform/AcpiRequest.h"
#include "platform/Utf16.h"
#include "platform/linux/LinuxReturnValues.h"

namespace tbt::platform::linux_backend {

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
  if (controlCode != kAcpiControlCode || input == nullptr) {
    return false;
  }
  const std::optional<AcpiMethodCall> call =
      ReadAcpiMethodCall(std::span<const uint8_t>(input, inputSize));
  if (!call || call->methodTag != kAcpiMethodDevs ||
      call->firstArgument != kThunderboltPlatformDevice || call->secondArgument > 1) {
    return false;
  }
  const uint32_t value = call->secondArgument;
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
  for (; answered < kAcpiMethodResultSize && answered < outputSize && output != nullptr;
       ++answered) {
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
