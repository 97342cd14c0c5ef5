#pragma once

// The helper's side of the protocol in HelperProtocol.h: one session of requests on
// one sysfs tree, run by tbt-nvm-helper as root. It trusts nothing it is sent: an
// image must arrive whole (exact length, matching SHA-256) and pass the kernel's rules
// before anything is written, routers must be host routers of the tree, and every
// write happens under the helper's own lock.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tbt::platform::linux_backend {

/// Where a session reads its requests and writes its answers.
struct HelperStreams {
  /// Reads up to the span's size; returns the count, 0 at the end, -1 on failure.
  std::function<long(std::span<uint8_t>)> read;
  /// Writes one answer whole.
  std::function<void(std::string_view)> write;
};

/// Runs a session with `arguments` (without the program name) until the input ends.
/// `underPkexec` pins the sysfs root to /sys, so an unprivileged caller cannot point
/// root's writes elsewhere. Returns the exit status: 0, or kHelperUsageError for a
/// command line or request it does not take.
int RunHelperSession(const std::vector<std::string>& arguments, const HelperStreams& streams,
                     bool underPkexec, const std::filesystem::path& lockPath);

}  // namespace tbt::platform::linux_backend
