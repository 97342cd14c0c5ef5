#include <windows.h>

#include <string>

#include "platform/windows/WindowsDevices.h"

namespace tbt::platform::windows_backend {

Handle WindowsDeviceIo::OpenDevice(std::u16string_view path) {
  const std::wstring name(path.begin(), path.end());
  const HANDLE device =
      ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
  // INVALID_HANDLE_VALUE is -1, the platform layer's kInvalidHandle.
  return reinterpret_cast<Handle>(device);
}

bool WindowsDeviceIo::DeviceIoControl(Handle device, uint32_t controlCode, const uint8_t* input,
                                      uint32_t inputSize, uint8_t* output, uint32_t outputSize,
                                      uint32_t* bytesReturned) {
  DWORD returned = 0;
  const bool done =
      ::DeviceIoControl(reinterpret_cast<HANDLE>(device), controlCode, const_cast<uint8_t*>(input),
                        inputSize, output, outputSize, &returned, nullptr) != FALSE;
  if (bytesReturned != nullptr) {
    *bytesReturned = done && returned <= outputSize ? returned : 0;
  }
  return done;
}

bool WindowsDeviceIo::CloseHandle(Handle device) {
  return IsOpen(device) && ::CloseHandle(reinterpret_cast<HANDLE>(device)) != FALSE;
}

}  // namespace tbt::platform::windows_backend
