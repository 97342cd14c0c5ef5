#pragma once

// A temporary folder for the files one test writes, removed with everything in it when
// the test ends. Shared by every test program.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/TemporaryFolder.h"

namespace tbt::test {

/// A path that tests also hand to commands taking text. On POSIX a path turns into its
/// text by itself; a Windows path (UTF-16 inside) needs the conversion spelt out.
class TestPath : public std::filesystem::path {
 public:
  TestPath(std::filesystem::path path) : std::filesystem::path(std::move(path)) {}
#ifdef _WIN32
  operator std::string() const {
    return string();
  }
#endif
};

class TempFolder {
 public:
  /// Creates a fresh folder named `prefix` and six random characters in the system's
  /// temporary folder.
  explicit TempFolder(std::string_view prefix = "tbt-test")
      : root_(platform::MakeTemporaryFolder(prefix)) {}
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  /// The folder itself.
  const std::filesystem::path& Root() const { return root_; }

  /// A path inside the folder; the file need not exist.
  TestPath Path(const std::filesystem::path& relative) const { return root_ / relative; }

  /// Writes `bytes` to the file at `relative`, creating folders on the way, and returns
  /// the file's path.
  TestPath Write(const std::filesystem::path& relative, std::string_view bytes) const {
    const std::filesystem::path file = Path(relative);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
  }
  /// As above, for binary contents.
  TestPath Write(const std::filesystem::path& relative, std::span<const uint8_t> bytes) const {
    return Write(relative,
                 std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }

  /// The contents of the file at `relative`; empty when it can't be read.
  std::vector<uint8_t> Read(const std::filesystem::path& relative) const {
    std::ifstream in(Path(relative), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path root_;
};

}  // namespace tbt::test
