#include <cerrno>

#include "platform/linux/LinuxReturnValues.h"
#include "platform/linux/PrivilegedOps.h"

namespace tbt::platform::linux_backend {

namespace {

constexpr uint8_t kAuthenticateRequest[] = {'1'};
constexpr uint8_t kForcePowerOn[] = {'1'};
constexpr uint8_t kForcePowerOff[] = {'0'};

}  // namespace

uint32_t ReturnValueFromWriteErrno(int error) {
  switch (error) {
    case 0:
      return kTbtOk;
    case EACCES:
    case EPERM:
    case EROFS:
      return kTbtPermissionDenied;
    case EBUSY:
    case EAGAIN:
      return kTbtControllerBusy;
    case EINVAL:
    case EFBIG:
    case ENOSPC:
      return kTbtKernelRefusedImage;
    case EXDEV:
      return kTbtUnsafePath;
    case ENOENT:
    case EOPNOTSUPP:
      return kTbtUpgradeUnsupported;
    default:
      return kTbtWriteFailed;
  }
}

uint32_t DirectPrivilegedOps::WriteNvmAndAuthenticate(const std::string& router,
                                                      std::span<const uint8_t> image) {
  if (!IsPlainName(router)) {
    return kTbtUnsafePath;
  }
  const auto nonActive = tree_.FindNvmem(router, "nvm_non_active");
  if (!nonActive) {
    return kTbtUpgradeUnsupported;
  }
  const auto authenticate = tree_.RouterDir(router) / "nvm_authenticate";
  // Check both targets before writing either, so an unsafe tree gets nothing at all.
  if (!tree_.IsInsideRoot(*nonActive) || !tree_.IsInsideRoot(authenticate)) {
    return kTbtUnsafePath;
  }
  if (const uint32_t code =
          ReturnValueFromWriteErrno(tree_.WriteInsideRoot(*nonActive, image, false));
      code != kTbtOk) {
    return code;
  }
  return ReturnValueFromWriteErrno(tree_.WriteInsideRoot(authenticate, kAuthenticateRequest, true));
}

uint32_t DirectPrivilegedOps::SetForcePower(bool on) {
  const auto forcePower = tree_.FindForcePower();
  if (!forcePower) {
    // Without the attribute the controller is always powered.
    return kTbtOk;
  }
  return ReturnValueFromWriteErrno(tree_.WriteInsideRoot(
      *forcePower,
      on ? std::span<const uint8_t>(kForcePowerOn) : std::span<const uint8_t>(kForcePowerOff),
      true));
}

uint32_t DirectPrivilegedOps::ReadAuthenticationStatus(const std::string& router,
                                                       uint32_t* status) {
  if (!IsPlainName(router)) {
    return kTbtUnsafePath;
  }
  const FileResult text = SysfsTree::ReadText(tree_.RouterDir(router) / "nvm_authenticate");
  if (!text.ok()) {
    return text.error == EACCES || text.error == EPERM ? kTbtPermissionDenied : kTbtReadFailed;
  }
  const auto value = ParseHexStatus(text.text);
  if (!value) {
    return kTbtReadFailed;
  }
  *status = *value;
  return kTbtOk;
}

}  // namespace tbt::platform::linux_backend
