#pragma once

// The machine-wide update lock as an exclusive flock(2) on a file, shared by every
// program that updates firmware (the window and `tbt-nvm update`). The root helper
// holds a lock of its own, a root-only file no user can hold against it.

#include <filesystem>
#include <memory>

#include "platform/Platform.h"

namespace tbt::platform {

/// The lock file's name in its folder.
inline constexpr char kUpdateLockFileName[] = "tbt-nvm-update.lock";

/// The machine's lock file: in /run/lock when the file is already there or this user
/// may create it there, else in /tmp (both are shared by every user of the machine).
std::filesystem::path DefaultUpdateLockPath();

/// An exclusive, non-blocking flock(2) on the file at the path, created when missing.
/// The lock belongs to the open file, so two objects on one path exclude each other
/// even inside one process, and a process that dies releases its lock.
class FileUpdateLock final : public IUpdateLock {
 public:
  explicit FileUpdateLock(std::filesystem::path path) : path_(std::move(path)) {}

  /// Null when another holder has the lock, or when the path is no regular file that
  /// can be opened or created (a link, a folder, a FIFO).
  std::unique_ptr<IHeldUpdateLock> TryAcquire() override;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace tbt::platform
