#include "platform/FileUpdateLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/UniqueFd.h"

namespace tbt::platform {

namespace fs = std::filesystem;

namespace {

constexpr char kSharedLockFolder[] = "/run/lock";
constexpr char kFallbackLockFolder[] = "/tmp";
// Read access is enough for flock; everyone may read the file so that every user's
// update (and the root helper) locks the same one.
constexpr mode_t kLockFileMode = 0644;

// Closing the only descriptor of the open file releases the lock.
class HeldFileLock final : public IHeldUpdateLock {
 public:
  explicit HeldFileLock(UniqueFd fd) : fd_(std::move(fd)) {}

 private:
  UniqueFd fd_;
};

// Opens the lock file without following a link and without blocking on a FIFO planted
// at its name; no descriptor when it is no regular file.
UniqueFd OpenLockFile(const fs::path& path) {
  const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
  // An existing file is opened without O_CREAT: in a shared sticky folder the kernel
  // refuses O_CREAT on a file another user made (fs.protected_regular).
  int fd = ::open(path.c_str(), flags);
  if (fd < 0 && errno == ENOENT) {
    fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, kLockFileMode);
    if (fd >= 0) {
      // The umask may have narrowed the mode; other users must be able to open it.
      (void)::fchmod(fd, kLockFileMode);
    } else if (errno == EEXIST) {
      fd = ::open(path.c_str(), flags);  // another update created it meanwhile
    }
  }
  UniqueFd file(fd);
  struct stat info {};
  if (file && (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode))) {
    file.Reset();
  }
  return file;
}

}  // namespace

fs::path DefaultUpdateLockPath() {
  const fs::path shared = fs::path(kSharedLockFolder) / kUpdateLockFileName;
  if (::access(shared.c_str(), F_OK) == 0 || ::access(kSharedLockFolder, W_OK) == 0) {
    return shared;
  }
  return fs::path(kFallbackLockFolder) / kUpdateLockFileName;
}

std::unique_ptr<IHeldUpdateLock> FileUpdateLock::TryAcquire() {
  UniqueFd file = OpenLockFile(path_);
  if (!file || ::flock(file.Get(), LOCK_EX | LOCK_NB) != 0) {
    return nullptr;
  }
  return std::make_unique<HeldFileLock>(std::move(file));
}

}  // namespace tbt::platform
