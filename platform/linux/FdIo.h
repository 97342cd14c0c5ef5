#pragma once

// Whole reads and writes on an open descriptor, retried on EINTR and short transfers.

#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tbt::platform::linux_backend {

/// sysfs attributes are at most a page: a read of one stops there, so a huge or endless
/// file put in an attribute's place cannot make the reader grow.
inline constexpr size_t kAttributePageSize = 4096;

/// Runs `step(done)` (a read or write of the rest, returning its ssize_t) until `size`
/// bytes moved. Returns errno, EIO when the file ends early, 0 on success.
template <typename Step>
int TransferAll(size_t size, Step step) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = step(done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      return errno;
    }
    if (n == 0) {
      return EIO;
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

/// Writes all of `bytes` at `offset` onwards to `fd`; returns errno, 0 on success.
int WriteAllAt(int fd, std::span<const uint8_t> bytes, uint64_t offset);

/// Appends the descriptor's text, up to kAttributePageSize bytes, to *text; returns
/// errno, 0 on success.
int ReadAttributePage(int fd, std::string* text);

}  // namespace tbt::platform::linux_backend
