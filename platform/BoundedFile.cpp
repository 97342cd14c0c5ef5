#include "platform/BoundedFile.h"

#include <new>

#include "platform/BoundedFileRead.h"

namespace tbt::platform {

namespace bounded_file {

FileReadStatus AppendChunks(const ChunkReader& read, uint64_t maxBytes,
                            std::vector<uint8_t>* bytes) {
  uint8_t chunk[64 * 1024];
  try {
    for (;;) {
      const int64_t got = read(chunk, sizeof chunk);
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
  } catch (const std::bad_alloc&) {
    return FileReadStatus::kNoMemory;
  }
}

}  // namespace bounded_file

FileReadStatus ReadBoundedFile(const std::filesystem::path& path, uint64_t maxBytes,
                               std::vector<uint8_t>* bytes) {
  bytes->clear();
  const FileReadStatus status = bounded_file::ReadRegularFile(path, maxBytes, bytes);
  if (status != FileReadStatus::kOk) {
    bytes->clear();
    bytes->shrink_to_fit();
  }
  return status;
}

}  // namespace tbt::platform
