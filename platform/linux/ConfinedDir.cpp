#include "platform/linux/ConfinedDir.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace tbt::platform::linux_backend {

namespace fs = std::filesystem;

namespace {

constexpr int kOpenat2Attempts = 64;

int CloseKeepingErrno(int fd) {
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return -saved;
}

// One O_NOFOLLOW step per name; folders on the way are opened as paths only.
int WalkBeneath(int dirFd, std::string_view relative, int flags) {
  int current = dirFd;
  size_t start = 0;
  for (;;) {
    const size_t slash = relative.find('/', start);
    const bool last = slash == std::string_view::npos;
    const std::string name(relative.substr(start, last ? std::string_view::npos : slash - start));
    if (name.empty() || name == "." || name == "..") {
      if (current != dirFd) {
        ::close(current);
      }
      return -EXDEV;
    }
    const int next = ::openat(current, name.c_str(),
                              (last ? flags : O_PATH | O_DIRECTORY) | O_NOFOLLOW | O_CLOEXEC);
    const int error = errno;
    if (current != dirFd) {
      ::close(current);
    }
    if (next < 0) {
      return -error;
    }
    if (last) {
      return next;
    }
    current = next;
    start = slash + 1;
  }
}

}  // namespace

int OpenBeneath(int dirFd, std::string_view relative, int flags, bool useOpenat2) {
  if (relative.empty() || relative.front() == '/') {
    return -EXDEV;
  }
  if (useOpenat2) {
    open_how how{};
    how.flags = static_cast<uint64_t>(flags | O_CLOEXEC);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    const std::string path(relative);
    // EAGAIN: a rename elsewhere on the file system raced the lookup; the kernel asks
    // for another try rather than risk an escape.
    long fd = -1;
    for (int attempt = 0; attempt < kOpenat2Attempts; ++attempt) {
      fd = ::syscall(SYS_openat2, dirFd, path.c_str(), &how, sizeof(how));
      if (fd >= 0 || errno != EAGAIN) {
        break;
      }
    }
    if (fd >= 0) {
      return static_cast<int>(fd);
    }
    // Kernels before 5.6 (or a filter that hides the call) get the walk instead.
    if (errno != ENOSYS && errno != EPERM) {
      return -errno;
    }
  }
  return WalkBeneath(dirFd, relative, flags);
}

ConfinedDir::ConfinedDir(const fs::path& root, const fs::path& dir) {
  // Links are resolved here, once, for the folder itself; the result must stay inside.
  std::unique_ptr<char, decltype(&std::free)> realRoot(::realpath(root.c_str(), nullptr),
                                                       &std::free);
  std::unique_ptr<char, decltype(&std::free)> realDir(::realpath(dir.c_str(), nullptr), &std::free);
  if (!realRoot || !realDir) {
    error_ = errno;
    return;
  }
  const fs::path relative = fs::path(realDir.get()).lexically_relative(realRoot.get());
  if (relative.empty() || relative == "." || *relative.begin() == "..") {
    error_ = EXDEV;
    return;
  }
  const int rootFd = ::open(realRoot.get(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (rootFd < 0) {
    error_ = errno;
    return;
  }
  // The resolved path holds no link; one that appears now was swapped in: refuse it.
  const int fd = OpenBeneath(rootFd, relative.string(), O_PATH | O_DIRECTORY);
  ::close(rootFd);
  if (fd < 0) {
    error_ = fd == -ELOOP || fd == -ENOTDIR ? EXDEV : -fd;
    return;
  }
  fd_ = fd;
}

ConfinedDir::~ConfinedDir() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

int ConfinedDir::OpenFile(std::string_view relative, int flags) const {
  if (fd_ < 0) {
    return -error_;
  }
  // Non-blocking, so a FIFO put in an attribute's place cannot hang the open.
  const int fd = OpenBeneath(fd_, relative, flags | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    // A link, a FIFO without a reader, a folder: none of them is an attribute.
    return fd == -ELOOP || fd == -ENXIO || fd == -EISDIR ? -EXDEV : fd;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    return CloseKeepingErrno(fd);
  }
  // A hard link would let a file elsewhere pose as an attribute.
  if (!S_ISREG(info.st_mode) || info.st_nlink != 1) {
    ::close(fd);
    return -EXDEV;
  }
  return fd;
}

int WriteAllAt(int fd, std::span<const uint8_t> bytes, uint64_t offset) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
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

int ConfinedDir::Write(std::string_view relative, std::span<const uint8_t> bytes,
                       bool truncate) const {
  const int fd = OpenFile(relative, O_WRONLY | (truncate ? O_TRUNC : 0));
  if (fd < 0) {
    return -fd;
  }
  int error = WriteAllAt(fd, bytes, 0);
  if (::close(fd) != 0 && error == 0) {
    error = errno;
  }
  return error;
}

FileResult ConfinedDir::ReadText(std::string_view relative) const {
  FileResult result;
  const int fd = OpenFile(relative, O_RDONLY);
  if (fd < 0) {
    result.error = -fd;
    return result;
  }
  char buffer[4096];
  // sysfs attributes are at most a page.
  while (result.text.size() < sizeof(buffer)) {
    const ssize_t n = ::read(fd, buffer, sizeof(buffer) - result.text.size());
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      result.error = errno;
      break;
    }
    if (n == 0) {
      break;
    }
    result.text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return result;
}

}  // namespace tbt::platform::linux_backend
