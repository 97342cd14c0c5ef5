#pragma once

// The small privileged helper (tbt-nvm-helper) and its client. The helper runs the
// root-only steps on one sysfs tree and prints "result 0x<8 hex digits>"; the client
// starts it through pkexec (or directly, in tests) and reads that line back.
//
//   tbt-nvm-helper [--sysfs-root DIR] flash ROUTER   (image on standard input)
//   tbt-nvm-helper [--sysfs-root DIR] force-power 0|1
//   tbt-nvm-helper [--sysfs-root DIR] auth-status ROUTER   (adds "status 0x<8 hex>")

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/linux/PrivilegedOps.h"
#include "platform/linux/SysfsTree.h"

namespace tbt::platform::linux_backend {

/// The largest image the helper reads from its standard input.
inline constexpr size_t kHelperMaxImageSize = 16 * 1024 * 1024;
/// pkexec's exit status when the user dismissed the authentication dialog.
inline constexpr int kPkexecDismissed = 126;
/// pkexec's exit status when authorisation was refused or the helper could not start.
inline constexpr int kPkexecNotAuthorized = 127;
/// The helper's exit status for a command line it does not take.
inline constexpr int kHelperUsageError = 2;

/// Runs one helper command with `arguments` (without the program name) and the bytes
/// of its standard input; writes the result line to `output`. Returns the exit status.
/// `underPkexec` (PKEXEC_UID is set) pins the sysfs root to /sys, so an unprivileged
/// caller cannot point root's writes elsewhere.
int RunHelperCommand(const std::vector<std::string>& arguments, std::span<const uint8_t> input,
                     bool underPkexec, std::string* output);

/// The result line for a ReturnValue.
std::string HelperResultLine(uint32_t returnValue);
/// Parses a result line; false when the text holds none.
bool ParseHelperResultLine(std::string_view text, uint32_t* returnValue);
/// The status line of auth-status.
std::string HelperStatusLine(uint32_t status);
/// Parses a status line; false when the text holds none.
bool ParseHelperStatusLine(std::string_view text, uint32_t* status);

/// What starting a program gave: its exit status (-1 when it could not be started or
/// did not exit normally) and its standard output.
struct ProcessOutcome {
  int exitStatus = -1;
  std::string output;
};

/// Starts argv[0] (a full path) with the arguments, feeds `input` to its standard input
/// and waits for it.
using ProcessRunner = std::function<ProcessOutcome(const std::vector<std::string>& argv,
                                                   std::span<const uint8_t> input)>;

/// Runs a program with fork/exec (no shell, no path search).
ProcessOutcome RunProcess(const std::vector<std::string>& argv, std::span<const uint8_t> input);

/// The privileged steps through the helper. `launcher` precedes the helper on the
/// command line ({"/usr/bin/pkexec"} normally; empty runs it directly).
class HelperPrivilegedOps final : public IPrivilegedOps {
 public:
  HelperPrivilegedOps(const SysfsTree& tree, std::string helperPath,
                      std::vector<std::string> launcher, ProcessRunner runner = RunProcess);
  uint32_t WriteNvmAndAuthenticate(const std::string& router,
                                   std::span<const uint8_t> image) override;
  /// Asks for no authorisation when the machine has no force_power attribute.
  uint32_t SetForcePower(bool on) override;
  uint32_t ReadAuthenticationStatus(const std::string& router, uint32_t* status) override;

 private:
  uint32_t Run(std::vector<std::string> arguments, std::span<const uint8_t> input,
               std::string* output = nullptr);

  const SysfsTree& tree_;
  std::string helperPath_;
  std::vector<std::string> launcher_;
  ProcessRunner runner_;
};

}  // namespace tbt::platform::linux_backend
