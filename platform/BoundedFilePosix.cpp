#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/BoundedFileRead.h"
#include "platform/UniqueFd.h"

namespace tbt::platform::bounded_file {

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

}  // namespace

FileReadStatus ReadRegularFile(const std::filesystem::path& path, uint64_t maxBytes,
                               std::vector<uint8_t>* bytes) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.Get() < 0) {
    return errno == ENOENT || errno == ENOTDIR ? FileReadStatus::kMissing
                                               : FileReadStatus::kUnreadable;
  }
  const FileReadStatus status = CheckOpenedFile(file.Get(), maxBytes);
  if (status != FileReadStatus::kOk) {
    return status;
  }
  return AppendChunks(
      [&file](uint8_t* buffer, size_t size) -> int64_t {
        for (;;) {
          const ssize_t got = ::read(file.Get(), buffer, size);
          if (got >= 0 || errno != EINTR) {
            return got;
          }
        }
      },
      maxBytes, bytes);
}

}  // namespace tbt::platform::bounded_file
