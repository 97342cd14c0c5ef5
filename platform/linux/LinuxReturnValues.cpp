#include "platform/linux/LinuxReturnValues.h"

#include <array>
#include <cstdio>
#include <string_view>
#include <utility>

namespace tbt::platform::linux_backend {

namespace {

constexpr std::array<std::pair<uint32_t, std::string_view>, 24> kDescriptions = {{
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
     "the controller refused the image (status above 0xffffff in nvm_authenticate)"},
    {kTbtRouterDidNotReturn,
     "the controller left the bus and did not come back within 60 s; force power stays on"},
    {kTbtUnsafePath,
     "a path to write leaves the sysfs root or is not a plain attribute file; nothing was "
     "written"},
    {kTbtAuthorizationRefused, "the administrator authorisation was refused or dismissed"},
    {kTbtHelperFailed, "the privileged helper could not be run"},
    {kTbtVersionNotTaken,
     "the controller restarted but does not run the image's NVM version (status 0x0 proves "
     "nothing)"},
    {kTbtRouterDidNotRestart,
     "the controller did not restart within 60 s after authentication started; force power "
     "stays on"},
    {kTbtHelperBusy, "another firmware update is running through the helper"},
    {kTbtImageNotReceived,
     "the helper did not receive the image whole (length or SHA-256 differ); nothing was "
     "written"},
}};

constexpr uint32_t kLargestEmbeddedStatus = 0x00FFFFFF;

}  // namespace

uint32_t RefusedImageReturnValue(uint32_t status) {
  return status <= kLargestEmbeddedStatus ? kTbtControllerRefusedImage | status
                                          : kTbtAuthenticationFailed;
}

std::optional<uint32_t> AuthenticationStatusOf(uint32_t value) {
  const uint32_t status = value & kLargestEmbeddedStatus;
  if ((value & ~kLargestEmbeddedStatus) != kTbtControllerRefusedImage || status == 0) {
    return std::nullopt;
  }
  return status;
}

std::string TbtReturnValueDescription(uint32_t value) {
  if (const auto status = AuthenticationStatusOf(value)) {
    // The kernel prints the status as "%#x"; so does this sentence.
    char text[64];
    std::snprintf(text, sizeof(text), "the controller refused the image (status %#x)", *status);
    return text;
  }
  for (const auto& [code, text] : kDescriptions) {
    if (code == value) {
      return std::string(text);
    }
  }
  return {};
}

}  // namespace tbt::platform::linux_backend
