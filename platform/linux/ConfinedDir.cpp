#include "platform/linux/ConfinedDir.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <utility>

namespace tbt::platform::linux_backend {

namespace fs = std::filesystem;

namespace {

constexpr int kOpenat2Attempts = 64;

// One O_NOFOLLOW step per name; folders on the way are opened as paths only.
int WalkBeneath(int dirFd, std::string_view relative, int flags) {
  UniqueFd folder;  // the folder reached so far, once past dirFd
  size_t start = 0;
  for (;;) {
    const size_t slash = relative.find('/', start);
    const bool last = slash == std::string_view::npos;
    const std::string name(relative.substr(start, last ? std::string_view::npos : slash - start));
    if (name.empty() || name == "." || name == "..") {
      return -EXDEV;
    }
    const int current = folder ? folder.Get() : dirFd;
    UniqueFd next(::openat(current, name.c_str(),
                           (last ? flags : O_PATH | O_DIRECTORY) | O_NOFOLLOW | O_CLOEXEC));
    if (!next) {
      return -errno;
    }
    if (last) {
      return next.Release();
    }
    folder = std::move(next);
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
  const UniqueFd rootFd(::open(realRoot.get(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!rootFd) {
    error_ = errno;
    return;
  }
  // The resolved path holds no link; one that appears now was swapped in: refuse it.
  const int fd = OpenBeneath(rootFd.Get(), relative.string(), O_PATH | O_DIRECTORY);
  if (fd < 0) {
    error_ = fd == -ELOOP || fd == -ENOTDIR ? EXDEV : -fd;
    return;
  }
  fd_.Reset(fd);
}

OpenedFile ConfinedDir::OpenFile(std::string_view relative, int flags) const {
  if (!fd_) {
    return {UniqueFd(), error_};
  }
  // Non-blocking, so a FIFO put in an attribute's place cannot hang the open.
  const int fd = OpenBeneath(fd_.Get(), relative, flags | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    // A link, a FIFO without a reader, a folder: none of them is an attribute.
    return {UniqueFd(), fd == -ELOOP || fd == -ENXIO || fd == -EISDIR ? EXDEV : -fd};
  }
  OpenedFile opened{UniqueFd(fd), 0};
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    return {UniqueFd(), errno};
  }
  // A hard link would let a file elsewhere pose as an attribute.
  if (!S_ISREG(info.st_mode) || info.st_nlink != 1) {
    return {UniqueFd(), EXDEV};
  }
  return opened;
}

int ConfinedDir::Write(std::string_view relative, std::span<const uint8_t> bytes,
                       bool truncate) const {
  // Truncated only once the checks have passed: O_TRUNC at open would already have
  // emptied a file elsewhere that a hard link made pose as the attribute.
  OpenedFile file = OpenFile(relative, O_WRONLY);
  if (!file.fd) {
    return file.error;
  }
  if (truncate && ::ftruncate(file.fd.Get(), 0) != 0) {
    return errno;
  }
  int error = WriteAllAt(file.fd.Get(), bytes, 0);
  // A write to sysfs may only be refused at close.
  if (file.fd.Close() != 0 && error == 0) {
    error = errno;
  }
  return error;
}

FileResult ConfinedDir::ReadText(std::string_view relative) const {
  FileResult result;
  const OpenedFile file = OpenFile(relative, O_RDONLY);
  if (!file.fd) {
    result.error = file.error;
    return result;
  }
  result.error = ReadAttributePage(file.fd.Get(), &result.text);
  return result;
}

}  // namespace tbt::platform::linux_backend
