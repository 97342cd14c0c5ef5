#include <windows.h>

#include <random>
#include <string>
#include <system_error>

#include "platform/TemporaryFolder.h"

namespace tbt::platform {

namespace {

// Tries this many names before giving up: a clash is already rare at the first.
constexpr int kAttempts = 100;
constexpr char kNameCharacters[] = "abcdefghijklmnopqrstuvwxyz0123456789";

}  // namespace

std::filesystem::path MakeTemporaryFolder(std::string_view prefix) {
  std::error_code error;
  const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
  if (error) {
    return {};
  }
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<size_t> pick(0, sizeof kNameCharacters - 2);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::string name(prefix);
    name += '-';
    for (int i = 0; i < 6; ++i) {
      name += kNameCharacters[pick(random)];
    }
    const std::filesystem::path folder = temp / name;
    // CreateDirectoryW fails on an existing name, so the folder is ours alone. The user's
    // temporary folder is already closed to other users.
    if (::CreateDirectoryW(folder.c_str(), nullptr)) {
      return folder;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
      return {};
    }
  }
  return {};
}

}  // namespace tbt::platform
