#pragma once

// The parts of ReadBoundedFile that each system supplies, and the read loop they share.
// Included only by the BoundedFile sources.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "platform/BoundedFile.h"

namespace tbt::platform::bounded_file {

/// Reads up to `size` bytes into `buffer`: the count read, 0 at the end of the file,
/// negative on a read error.
using ChunkReader = std::function<int64_t(uint8_t* buffer, size_t size)>;

/// Appends chunks to *bytes until the end of the file, never past maxBytes in all: the
/// size checked at the open may be stale by the time the bytes are read.
FileReadStatus AppendChunks(const ChunkReader& read, uint64_t maxBytes,
                            std::vector<uint8_t>* bytes);

/// The system's part: opens the file without waiting on it, refuses anything but a
/// regular file within the cap, and reads it with AppendChunks.
FileReadStatus ReadRegularFile(const std::filesystem::path& path, uint64_t maxBytes,
                               std::vector<uint8_t>* bytes);

}  // namespace tbt::platform::bounded_file
