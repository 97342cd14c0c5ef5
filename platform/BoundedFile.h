#pragma once

// The one way the tool reads a whole file that comes from outside (a firmware image,
// a controller file, Update.ini): it must be a regular file no larger than a cap, so
// that a FIFO never hangs the reader and /dev/zero or a huge sparse file never fills
// memory.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace tbt::platform {

/// Cap on firmware images and controller files: well above any controller's NVM.
inline constexpr uint64_t kMaxImageFileBytes = 16u * 1024 * 1024;

/// Why ReadBoundedFile gave no bytes.
enum class FileReadStatus {
  kOk,
  kMissing,     // no file at the path
  kFolder,      // a folder
  kNotRegular,  // a FIFO, socket or device
  kTooLarge,    // above the cap, by its size or by what could be read
  kNoMemory,    // no buffer for its bytes
  kUnreadable,  // the open or a read failed
};

/// Reads the whole regular file at `path`, at most `maxBytes` bytes, into *bytes. The
/// file is opened without blocking and checked with fstat before a byte is read; one
/// that grows past the cap while it is read is refused too. On failure *bytes is empty.
FileReadStatus ReadBoundedFile(const std::filesystem::path& path, uint64_t maxBytes,
                               std::vector<uint8_t>* bytes);

}  // namespace tbt::platform
