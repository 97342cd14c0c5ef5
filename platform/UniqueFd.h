#pragma once

// A file descriptor owned by one object: closed when the owner goes, moved, never copied.

#include <unistd.h>

#include <cerrno>

#include <utility>

namespace tbt::platform {

class UniqueFd {
 public:
  UniqueFd() = default;
  /// Takes ownership of `fd`; a negative value means no descriptor.
  explicit UniqueFd(int fd) noexcept : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  explicit operator bool() const { return Valid(); }

  /// Gives the descriptor up without closing it.
  int Release() noexcept { return std::exchange(fd_, -1); }
  /// Closes the held descriptor (keeping errno, as a cleanup must) and takes `fd`.
  void Reset(int fd = -1) noexcept {
    if (fd_ >= 0 && fd_ != fd) {
      const int savedErrno = errno;
      ::close(fd_);
      errno = savedErrno;
    }
    fd_ = fd;
  }
  /// Closes now and returns close()'s result, for a writer whose data may only fail to
  /// reach the file at close. 0 when nothing was held.
  int Close() noexcept {
    const int fd = Release();
    return fd >= 0 ? ::close(fd) : 0;
  }

 private:
  int fd_ = -1;
};

}  // namespace tbt::platform
