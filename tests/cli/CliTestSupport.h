#pragma once

// What the command tests share: a temporary folder, a fixture that runs a command with
// fresh streams, and a reader for one-line JSON.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace tbt::clitest {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tbt-nvm-cli-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
      root_ = pattern;
    }
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  /// A path inside the folder (the file need not exist).
  std::string Path(const std::string& name) const { return (root_ / name).string(); }

  /// Writes a file and returns its path.
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream out(root_ / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return Path(name);
  }

  /// Reads a file back.
  std::vector<uint8_t> Read(const std::string& name) const {
    std::ifstream in(root_ / name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path root_;
};

/// Runs a sub-command function with fresh output and error streams.
class CommandTest : public ::testing::Test {
 protected:
  /// Calls command(args, extra..., out, err) and returns its exit status.
  template <typename Command, typename... Extra>
  int Run(Command command, const std::vector<std::string>& args, const Extra&... extra) {
    out.str({});
    err.str({});
    return command(args, extra..., out, err);
  }

  TempFolder folder;
  std::ostringstream out;
  std::ostringstream err;
};

/// The raw text of a top-level field's value in a one-line JSON object ("" if absent).
inline std::string JsonField(const std::string& json, const std::string& key) {
  const std::string marker = "\"" + key + "\": ";
  const size_t start = json.find(marker);
  if (start == std::string::npos) {
    return {};
  }
  size_t end = start + marker.size();
  if (json[end] == '"') {
    end = json.find('"', end + 1) + 1;
  } else if (json[end] == '[') {
    end = json.rfind(']') + 1;
  } else {
    end = json.find_first_of(",}", end);
  }
  return json.substr(start + marker.size(), end - start - marker.size());
}

}  // namespace tbt::clitest
