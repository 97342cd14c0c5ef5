#pragma once

// Removal of a command's temporary files when the user interrupts it (Ctrl+C) or the
// system asks it to end: the normal clean-up in destructors never runs then.

#include <filesystem>
#include <vector>

namespace tbt::platform {

/// While it exists, SIGINT, SIGTERM and SIGHUP (on Windows: Ctrl+C, Ctrl+Break and
/// closing the console) remove the files, then the (by then empty)
/// folders, in the order given, and end the process as the signal would have. The
/// handler only calls unlink(2) and rmdir(2) on paths stored beforehand. One guard at a
/// time per process; at most kMaxRemovedPaths paths, and a path too long to store is
/// left alone.
class RemovalOnSignal {
 public:
  static constexpr size_t kMaxRemovedPaths = 4;

  RemovalOnSignal(const std::vector<std::filesystem::path>& files,
                  const std::vector<std::filesystem::path>& folders);
  /// Puts back the signal handlers there were before.
  ~RemovalOnSignal();
  RemovalOnSignal(const RemovalOnSignal&) = delete;
  RemovalOnSignal& operator=(const RemovalOnSignal&) = delete;
};

}  // namespace tbt::platform
