#include "platform/linux/LinuxReturnValues.h"

#include <array>
#include <utility>

namespace tbt::platform::linux_backend {

namespace {

constexpr std::array<std::pair<uint32_t, std::string_view>, 20> kDescriptions = {{
    {kTbtNvmVersionUnreadable,
     "nvm_version cannot be read: the controller is in safe mode or gone"},
    {kTbtNvmVersionMalformed, "nvm_version does not read major.minor in hexadecimal"},
    {kTbtActiveNvmMissing, "the router has no readable nvm_active<N>/nvmem"},
    {kTbtReadOutOfRange, "the read lies outside the active NVM"},
    {kTbtReadFailed, "reading the active NVM failed"},
    {kTbtUpgradeUnsupported,
     "the router offers no NVM upgrade (no nvm_non_active<N> or nvm_authenticate)"},
    {kTbtImageTooSmall, "the kernel refuses the image: it is smaller than 32 KiB"},
    {kTbtImageTooLarge, "the kernel refuses the image: it is larger than the non-active NVM"},
    {kTbtImageBadSectionPointer,
     "the kernel refuses the image: the section pointer at offset 0 is not 4 KiB aligned "
     "or points outside the image"},
    {kTbtImageLengthUnaligned, "the kernel refuses the image: its length is not a multiple of 4"},
    {kTbtBufferMismatch, "BufferSize does not match the Buffer that came with it"},
    {kTbtPermissionDenied, "permission denied: writing the NVM needs root (run as root)"},
    {kTbtControllerBusy, "the controller is busy with another write or authentication"},
    {kTbtKernelRefusedImage, "the kernel refused the image"},
    {kTbtWriteFailed, "writing to the controller failed"},
    {kTbtAuthenticationFailed,
     "the controller came back but refused the new NVM (nvm_authenticate is not 0x0)"},
    {kTbtRouterDidNotReturn, "the controller did not come back after authentication"},
    {kTbtUnsafePath, "a path to write leaves the sysfs root; nothing was written"},
    {kTbtAuthorizationRefused, "the administrator authorisation was refused or dismissed"},
    {kTbtHelperFailed, "the privileged helper could not be run"},
}};

}  // namespace

std::string_view TbtReturnValueDescription(uint32_t value) {
  for (const auto& [code, text] : kDescriptions) {
    if (code == value) {
      return text;
    }
  }
  return {};
}

}  // namespace tbt::platform::linux_backend
