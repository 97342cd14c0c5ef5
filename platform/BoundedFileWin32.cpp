#include <windows.h>

#include <new>

#include "platform/BoundedFile.h"

namespace tbt::platform {

namespace {

// Closes the file when the read ends, however it ends.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (Valid()) {
      ::CloseHandle(handle_);
    }
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_NAME;
}

// Only a disk file is read: a pipe or a console device (CON, NUL) is refused before a
// read could wait on it.
FileReadStatus CheckOpenedFile(HANDLE file, uint64_t maxBytes) {
  if (::GetFileType(file) != FILE_TYPE_DISK) {
    return FileReadStatus::kNotRegular;
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size)) {
    return FileReadStatus::kUnreadable;
  }
  if (size.QuadPart < 0 || static_cast<uint64_t>(size.QuadPart) > maxBytes) {
    return FileReadStatus::kTooLarge;
  }
  return FileReadStatus::kOk;
}

// Reads to the end of the file, never more than maxBytes: the size may have changed
// by the time the bytes are read.
FileReadStatus ReadToEnd(HANDLE file, uint64_t maxBytes, std::vector<uint8_t>* bytes) {
  uint8_t chunk[64 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file, chunk, sizeof chunk, &got, nullptr)) {
      return FileReadStatus::kUnreadable;
    }
    if (got == 0) {
      return FileReadStatus::kOk;
    }
    if (got > maxBytes - bytes->size()) {
      return FileReadStatus::kTooLarge;
    }
    bytes->insert(bytes->end(), chunk, chunk + got);
  }
}

}  // namespace

FileReadStatus ReadBoundedFile(const std::filesystem::path& path, uint64_t maxBytes,
                               std::vector<uint8_t>* bytes) {
  bytes->clear();
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return IsMissing(::GetLastError()) ? FileReadStatus::kMissing : FileReadStatus::kUnreadable;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return FileReadStatus::kFolder;
  }
  const FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    return IsMissing(::GetLastError()) ? FileReadStatus::kMissing : FileReadStatus::kUnreadable;
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
