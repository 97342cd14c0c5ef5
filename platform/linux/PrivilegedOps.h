#pragma once

// The steps of an update that need root: writing the non-active NVM and starting its
// authentication, and switching the controller's forced power. They run directly when
// the tool is root, and through the pkexec helper otherwise.

#include <cstdint>
#include <span>
#include <string>

#include "platform/linux/SysfsTree.h"

namespace tbt::platform::linux_backend {

/// The privileged steps; each returns a ReturnValue of LinuxReturnValues.h.
class IPrivilegedOps {
 public:
  virtual ~IPrivilegedOps() = default;
  /// Checks the image against the kernel's rules, writes it from offset 0 to the
  /// router's non-active NVM, then writes "1" to its nvm_authenticate.
  virtual uint32_t WriteNvmAndAuthenticate(const std::string& router,
                                           std::span<const uint8_t> image) = 0;
  /// Writes "1" or "0" to the Intel WMI force_power attribute; kTbtOk doing nothing when
  /// the machine has none.
  virtual uint32_t SetForcePower(bool on) = 0;
  /// Reads the router's nvm_authenticate into *status, for kernels that let only root
  /// read it.
  virtual uint32_t ReadAuthenticationStatus(const std::string& router, uint32_t* status) = 0;
  /// Ends the privileged steps of one update: the helper, if one runs, exits and
  /// releases its lock, and the next step asks for authorisation again.
  virtual void Finish() {}
};

/// Maps the errno of a failed sysfs write to a ReturnValue.
uint32_t ReturnValueFromWriteErrno(int error);

/// The privileged steps done by this process on the files of one sysfs tree.
class DirectPrivilegedOps final : public IPrivilegedOps {
 public:
  /// Works on `tree`, which must outlive this object.
  explicit DirectPrivilegedOps(const SysfsTree& tree) : tree_(tree) {}
  uint32_t WriteNvmAndAuthenticate(const std::string& router,
                                   std::span<const uint8_t> image) override;
  uint32_t SetForcePower(bool on) override;
  uint32_t ReadAuthenticationStatus(const std::string& router, uint32_t* status) override;

 private:
  const SysfsTree& tree_;
};

}  // namespace tbt::platform::linux_backend
