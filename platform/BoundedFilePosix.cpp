#include "platform/BoundedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "platform/UniqueFd.h"

namespace tbt::platform {

namespace {

FileReadStatus CheckOpenedFile(int fd, uint64_t maxBytes) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    return FileReadStatus::kUnreadable;
  }
  if (S_ISDIR(info.st_mode)) {
    return FileReadStatus::kFolder;
  }
  if (!S_ISREG(info.st_mode)) {
    return FileReadStatus::kNotRegular;
  }
  if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > maxBytes) {
    return FileReadStatus::kTooLarge;
  }
  return FileReadStatus::kOk;
}

// Reads to the end of the file, but never more than maxBytes: the size fstat gave may
// be stale by the time the bytes are read.
FileReadStatus ReadToEnd(int fd, uint64_t maxBytes, std::vector<uint8_t>* bytes) {
  uint8_t chunk[64 * 1024];
  for (;;) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      return FileReadStatus::kUnreadable;
    }
    if (got == 0) {
      return FileReadStatus::kOk;
    }
    if (static_cast<uint64_t>(got) > maxBytes - bytes->size()) {
      return FileReadStatus::kTooLarge;
    }
    bytes->insert(bytes->end(), chunk, chunk + got);
  }
}

}  // namespace

FileReadStatus ReadBoundedFile(const std::filesystem::path& path, uint64_t maxBytes,
                               std::vector<uint8_t>* bytes) {
  bytes->clear();
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.Get() < 0) {
    return errno == ENOENT || errno == ENOTDIR ? FileReadStatus::kMissing
                                               : FileReadStatus::kUnreadable;
  }
  FileReadStatus status = CheckOpenedFile(file.Get(), maxBytes);
  if (status == FileReadStatus::kOk) {
    try {
      status = ReadToEnd(file.Get(), maxBytes, bytes);
    } catch (const std::bad_alloc&) {
      status = FileReadStatus::kNoMemory;
    }
  }
  if (status != FileReadStatus::kOk) {
    bytes->clear();
    bytes->shrink_to_fit();
  }
  return status;
}

}  // namespace tbt::platform
