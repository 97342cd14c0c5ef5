#pragma once

// The tool's side of the helper: the privileged steps of one update sent to one
// helper process, started through pkexec (or directly, in tests) at the first step
// and ended by Finish(), so that one update asks for authorisation once and the next
// update asks again.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/linux/ChildProcess.h"
#include "platform/linux/PrivilegedOps.h"
#include "platform/linux/SysfsTree.h"

namespace tbt::platform::linux_backend {

/// The privileged steps through the helper. `launcher` precedes the helper on the
/// command line ({"/usr/bin/pkexec"} normally; empty runs it directly). One thread at a
/// time.
class HelperPrivilegedOps final : public IPrivilegedOps {
 public:
  HelperPrivilegedOps(const SysfsTree& tree, std::string helperPath,
                      std::vector<std::string> launcher);
  ~HelperPrivilegedOps() override;
  HelperPrivilegedOps(const HelperPrivilegedOps&) = delete;
  HelperPrivilegedOps& operator=(const HelperPrivilegedOps&) = delete;

  /// Sends the image with its length and SHA-256.
  uint32_t WriteNvmAndAuthenticate(const std::string& router,
                                   std::span<const uint8_t> image) override;
  /// Asks for no authorisation when the machine has no force_power attribute, nor to
  /// switch off when no helper runs for this update.
  uint32_t SetForcePower(bool on) override;
  uint32_t ReadAuthenticationStatus(const std::string& router, uint32_t* status) override;
  /// Ends the helper: it exits and frees its lock.
  void Finish() override;

 private:
  bool Start();
  // Sends one request (a flash request with its image and end line) and reads its
  // answer up to the result line; *answer holds it.
  uint32_t Request(const std::string& line, std::span<const uint8_t> image, bool withImage,
                   std::string* answer = nullptr);
  // Ends a helper that stopped answering; the ReturnValue for its exit status.
  uint32_t Ended();
  // Closes the helper's input and waits for it; its exit status, -1 when none ran.
  int Stop();

  const SysfsTree& tree_;
  std::string helperPath_;
  std::vector<std::string> launcher_;
  std::optional<ChildProcess> helper_;  // the helper of this update, once started
};

}  // namespace tbt::platform::linux_backend
