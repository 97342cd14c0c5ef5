#pragma once

// A device folder of a sysfs tree, resolved once and then held open, with its
// attribute files opened beneath that handle without following any link. sysfs
// reaches devices through links (bus/thunderbolt/devices/0-0 -> ../../../devices/...),
// so the folder's own path may hold links; nothing below it may, and a link swapped
// in after the folder was resolved is refused rather than followed out of the tree.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "platform/UniqueFd.h"
#include "platform/linux/FdIo.h"
#include "platform/linux/SysfsTree.h"

namespace tbt::platform::linux_backend {

/// Opens `relative` (plain names joined by '/', no "..") beneath the folder `dirFd`
/// with `flags`, following no link on the way: openat2 with RESOLVE_BENEATH |
/// RESOLVE_NO_SYMLINKS, or, where the kernel lacks it (or `useOpenat2` is false), one
/// O_NOFOLLOW step per name. Returns the descriptor, or -errno (ELOOP for a link).
int OpenBeneath(int dirFd, std::string_view relative, int flags, bool useOpenat2 = true);

/// A descriptor, or the errno that says why there is none.
struct OpenedFile {
  UniqueFd fd;
  int error = 0;
};

/// One device folder inside a sysfs root.
class ConfinedDir {
 public:
  /// Resolves `dir` and opens it when its real location lies inside the real `root`;
  /// otherwise Valid() is false and Error() is EXDEV (outside or swapped) or the errno.
  ConfinedDir(const std::filesystem::path& root, const std::filesystem::path& dir);

  bool Valid() const { return fd_.Valid(); }
  int Error() const { return error_; }

  /// Opens a file beneath the folder (non-blocking, close-on-exec) and checks it with
  /// fstat: a regular file with one link. The error is EXDEV for a link, a special file
  /// or a file with more than one name.
  OpenedFile OpenFile(std::string_view relative, int flags) const;
  /// Writes `bytes` from offset 0 to a file beneath the folder; an attribute is
  /// truncated first (as `echo 1 > file` does). Returns errno, 0 on success.
  int Write(std::string_view relative, std::span<const uint8_t> bytes, bool truncate) const;
  /// Reads a small attribute beneath the folder.
  FileResult ReadText(std::string_view relative) const;

 private:
  UniqueFd fd_;
  int error_ = 0;
};

}  // namespace tbt::platform::linux_backend
