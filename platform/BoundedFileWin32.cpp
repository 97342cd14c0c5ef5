#include <windows.h>

#include "platform/BoundedFileRead.h"

namespace tbt::platform::bounded_file {

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

}  // namespace

FileReadStatus ReadRegularFile(const std::filesystem::path& path, uint64_t maxBytes,
                               std::vector<uint8_t>* bytes) {
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
  const FileReadStatus status = CheckOpenedFile(file.Get(), maxBytes);
  if (status != FileReadStatus::kOk) {
    return status;
  }
  return AppendChunks(
      [&file](uint8_t* buffer, size_t size) -> int64_t {
        DWORD got = 0;
        return ::ReadFile(file.Get(), buffer, static_cast<DWORD>(size), &got, nullptr)
                   ? static_cast<int64_t>(got)
                   : -1;
      },
      maxBytes, bytes);
}

}  // namespace tbt::platform::bounded_file
