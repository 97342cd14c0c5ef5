#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/ConfinedDir.h"
#include "platform/linux/KernelImageRules.h"
#include "platform/linux/LinuxReturnValues.h"
#include "platform/linux/PrivilegedOps.h"

namespace tbt::platform::linux_backend {

namespace {

constexpr uint8_t kAuthenticateRequest[] = {'1'};
constexpr uint8_t kForcePowerOn[] = {'1'};
constexpr uint8_t kForcePowerOff[] = {'0'};

uint32_t ReturnValueFromDir(const ConfinedDir& dir) {
  return dir.Error() == EXDEV ? kTbtUnsafePath : kTbtUpgradeUnsupported;
}

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
    case ELOOP:
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
  const ConfinedDir dir(tree_.Root(), tree_.RouterDir(router));
  if (!dir.Valid()) {
    return ReturnValueFromDir(dir);
  }
  // Both targets are opened before either is written, so an unsafe tree gets nothing.
  const OpenedFile nvmFile =
      dir.OpenFile(nonActive->lexically_relative(tree_.RouterDir(router)).string(), O_WRONLY);
  const OpenedFile authenticateFile = dir.OpenFile("nvm_authenticate", O_WRONLY);
  for (const OpenedFile* file : {&nvmFile, &authenticateFile}) {
    if (!file->fd) {
      return ReturnValueFromWriteErrno(file->error);
    }
  }
  const int nvm = nvmFile.fd.Get();
  const int authenticate = authenticateFile.fd.Get();
  // The kernel's own rules, checked here too: whoever asks, a refused image is never
  // written, so the kernel never authenticates a stale or partial buffer.
  struct stat info {};
  if (::fstat(nvm, &info) != 0) {
    return ReturnValueFromWriteErrno(errno);
  }
  if (const uint32_t rule = CheckKernelImageRules(image, static_cast<uint64_t>(info.st_size));
      rule != kTbtOk) {
    return rule;
  }
  if (const uint32_t code = ReturnValueFromWriteErrno(WriteAllAt(nvm, image, 0)); code != kTbtOk) {
    return code;
  }
  // As `echo 1 >` does; sysfs ignores the truncation, a plain file in a test tree not.
  [[maybe_unused]] const int truncated = ::ftruncate(authenticate, 0);
  return ReturnValueFromWriteErrno(WriteAllAt(authenticate, kAuthenticateRequest, 0));
}

uint32_t DirectPrivilegedOps::SetForcePower(bool on) {
  const auto forcePower = tree_.FindForcePower();
  if (!forcePower) {
    // Without the attribute the controller is always powered.
    return kTbtOk;
  }
  const ConfinedDir dir(tree_.Root(), forcePower->parent_path());
  if (!dir.Valid()) {
    return ReturnValueFromDir(dir);
  }
  return ReturnValueFromWriteErrno(dir.Write(
      "force_power",
      on ? std::span<const uint8_t>(kForcePowerOn) : std::span<const uint8_t>(kForcePowerOff),
      true));
}

uint32_t DirectPrivilegedOps::ReadAuthenticationStatus(const std::string& router,
                                                       uint32_t* status) {
  if (!IsPlainName(router)) {
    return kTbtUnsafePath;
  }
  const ConfinedDir dir(tree_.Root(), tree_.RouterDir(router));
  if (!dir.Valid()) {
    return dir.Error() == EXDEV ? kTbtUnsafePath : kTbtReadFailed;
  }
  const FileResult text = dir.ReadText("nvm_authenticate");
  if (!text.ok()) {
    return text.error == EACCES || text.error == EPERM ? kTbtPermissionDenied
           : text.error == EXDEV                       ? kTbtUnsafePath
                                                       : kTbtReadFailed;
  }
  const auto value = ParseHexStatus(text.text);
  if (!value) {
    return kTbtReadFailed;
  }
  *status = *value;
  return kTbtOk;
}

}  // namespace tbt::platform::linux_backend
